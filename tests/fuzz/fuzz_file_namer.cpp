// Output file names built from a target pattern and row values: any pattern
// and any values give a name without path separators or control characters
// from the values, and never crash.
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "model/DVFile.h"
#include "output/OutputFileNamer.h"
#include "sources/DVDataSourceRow.h"

namespace {

class Row : public DVDataSourceRow {
public:
    std::vector<std::string> values;
    std::string GetColumnValue(int32_t index, bool) override {
        return index >= 0 && static_cast<size_t>(index) < values.size() ? values[index] : "";
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t options = input.Byte();
    DVFile definition;
    definition.SetAutoAddNodes(false);
    for (int i = 0; i < 3; ++i) {
        CSCol column = CSCol::WithId(i + 1);
        column.name = input.Text(12);
        definition.AddColumn(column);
    }
    definition.SetTargetFileName("/out/" + input.Text(64));
    definition.SetFilePerRow((options & 1) != 0);
    definition.SetFilePerColValueId((options & 2) != 0 ? 1 + options % 3 : 0);
    Row row;
    OutputFileNamer namer;
    for (int i = 0; i < 4 && !input.Empty(); ++i) {
        row.values = {input.Text(32), input.Text(32), input.Text(32)};
        const std::string name = namer.Next(definition, row);
        for (const std::string& value : row.values) {
            const std::string part = OutputFileNamer::FileNamePart(value);
            if (part.find('/') != std::string::npos || part.find('\0') != std::string::npos) {
                std::abort();
            }
        }
        (void)name;
    }
    return 0;
}
