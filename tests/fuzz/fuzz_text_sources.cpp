// Delimited and fixed-width readers: any bytes read without harm, and
// reading through tiny blocks gives exactly the rows that one large block
// gives.
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "model/DVFile.h"
#include "run/ColumnDiscovery.h"
#include "sources/DelimitedTextFileDataSource.h"
#include "sources/FixedWidthTextFileDataSource.h"

namespace {

std::vector<std::vector<std::string>> ReadAll(DVFile& definition, size_t blockSize) {
    std::unique_ptr<TextFileDataSource> source;
    if (definition.Settings().sourcetype == DVFileSettings::kFixedWidthText) {
        source = std::make_unique<FixedWidthTextFileDataSource>();
    } else {
        source = std::make_unique<DelimitedTextFileDataSource>();
    }
    source->SetReadBlockSizeForTesting(blockSize);
    std::vector<std::vector<std::string>> rows;
    if (source->Validate(definition) != 0 || source->Open(definition, 0) != 0) {
        rows.push_back({"<open failed>"});
        return rows;
    }
    while (source->NextRow()) {
        std::vector<std::string> row;
        for (size_t i = 0; i < source->Columns().size(); ++i) {
            row.push_back(source->GetColumnValue(static_cast<int32_t>(i), false));
        }
        rows.push_back(std::move(row));
    }
    rows.push_back({source->HasError() ? "<error>" : "<end>"});
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t options = input.Byte();
    const size_t smallBlock = 16 + input.Byte() % 64;
    const std::string delimiter = input.Text(4);
    const std::string content(input.Rest());

    static const std::string path = FuzzScratchFolder() + "/in.txt";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;

    DVFile definition;
    definition.SetAutoAddNodes(false);
    if (options & 1) {
        definition.SetSourceType(DVFileSettings::kFixedWidthText);
    }
    definition.StoreDelimiter(delimiter.empty() ? "," : delimiter);
    definition.SetFirstRowHasColNames((options & 2) != 0);
    definition.SetTrimSpace((options & 4) != 0);
    definition.SetRemoveQuotes((options & 8) != 0);
    definition.SetTreatConsecutiveDelimsAsOne((options & 16) != 0);
    // Delimited sources use the high bits for quoted fields across lines.
    definition.SetQuotedLineBreaks((options & 32) != 0);
    definition.SetSourceFileName(path);
    ColumnDiscovery::ReadColumns(definition, 100);
    if (definition.Settings().sourcetype == DVFileSettings::kFixedWidthText) {
        definition.RemoveAllColumns();
        for (int i = 0; i < 1 + (options >> 5); ++i) {
            CSCol column = CSCol::WithId(i + 1);
            column.name = "c" + std::to_string(i);
            column.width = 1 + (options + i * 3) % 9;
            definition.AddColumn(column);
        }
    }
    if (ReadAll(definition, size_t{64} << 10) != ReadAll(definition, smallBlock)) {
        std::abort();
    }
    return 0;
}
