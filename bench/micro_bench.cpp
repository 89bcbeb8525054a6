// Micro-benchmarks of the hot spots of every run, in isolation: the XML
// writer (one row of eight elements, through the general calls and through
// the one-call row writer with the row template production uses) and column
// formatting.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "io/CMemoryStream.h"
#include "model/CSCol.h"
#include "model/ColumnMap.h"
#include "model/XMLRootNode.h"
#include "output/RowTemplate.h"
#include "sources/DVDataSourceRow.h"
#include "xml/CSAXWriter.h"

namespace {

const std::vector<std::pair<std::string, std::string>>& Row() {
    static const std::vector<std::pair<std::string, std::string>> row = {
        {"id", "123456"},
        {"name", "Fran\xC3\xA7ois, 123456"},
        {"city", "S\xC3\xA3o Paulo"},
        {"date", "2017-04-21"},
        {"amount", "48213.07"},
        {"qty", "312"},
        {"note", "note <456> & more"},
        {"flag", "Y"},
    };
    return row;
}

// A document the rows go into, in a stream emptied now and then as a run's
// flushes to its file empty it.
struct RowDocument {
    explicit RowDocument(const char* encoding) {
        writer.SetEncoding(encoding);
        writer.SetIndent(true);
        writer.StartDocument();
        writer.StartElement("document");
    }
    void RowWritten() {
        if (stream.Size() > (1 << 20)) {
            writer.Flush();
            bytes += stream.Size();
            stream.Rewind();
        }
    }
    void Report(benchmark::State& state) const {
        state.SetItemsProcessed(state.iterations());
        state.SetBytesProcessed(static_cast<int64_t>(bytes + stream.Size()));
    }

    Norvik::CMemoryStream stream;
    Norvik::CSAXWriter writer{stream};
    size_t bytes = 0;
};

// A row through the writer's general calls.
void WriteRows(benchmark::State& state, const char* encoding) {
    RowDocument document(encoding);
    Norvik::CSAXWriter& writer = document.writer;
    for (auto _ : state) {
        writer.StartElement("row");
        for (const auto& [name, value] : Row()) {
            writer.StartElement(name);
            writer.Characters(value);
            writer.EndElement(name);
        }
        writer.EndElement("row");
        document.RowWritten();
    }
    document.Report(state);
}

void BM_WriterRowUtf8(benchmark::State& state) {
    WriteRows(state, "utf-8");
}
BENCHMARK(BM_WriterRowUtf8);

void BM_WriterRowUtf16(benchmark::State& state) {
    WriteRows(state, "UTF-16");
}
BENCHMARK(BM_WriterRowUtf16);

// A source row whose display values are the raw fields themselves, as plain
// text columns of a text source hand them out.
class FieldRow : public DVDataSourceRow {
public:
    FieldRow() {
        for (const auto& [name, value] : Row()) {
            fields_.push_back(value);
        }
    }
    std::string GetColumnValue(int32_t index, bool) override {
        return std::string(fields_.at(static_cast<size_t>(index)));
    }
    const std::string_view* DisplayFields(size_t& count) override {
        count = fields_.size();
        return fields_.data();
    }

private:
    std::vector<std::string_view> fields_;
};

// The path a plain mapping's rows take: the row template reads the row's
// fields, the writer writes the row element and its text elements in one call.
void WriteTemplateRows(benchmark::State& state, const char* encoding) {
    std::vector<CSCol> columns;
    XMLRootNode root;
    XMLNode* row = root.AddChild("row", XMLNode::kElement);
    for (const auto& [name, value] : Row()) {
        columns.push_back(CSCol::WithId(static_cast<int32_t>(columns.size()) + 1));
        row->AddChild(name, XMLNode::kElement)->SetSource(columns.back().id);
    }
    ColumnMap map;
    map.Rebuild(columns);
    if (!RowTemplate::Fits(*row, map)) {
        state.SkipWithError("the row does not take the template path");
        return;
    }
    RowTemplate rowTemplate(*row, map);
    FieldRow source;
    RowDocument document(encoding);
    for (auto _ : state) {
        rowTemplate.Read(source);
        document.writer.TextRow(row->GetName(), rowTemplate.Fields(), false);
        document.RowWritten();
    }
    document.Report(state);
}

void BM_TemplateRowUtf8(benchmark::State& state) {
    WriteTemplateRows(state, "utf-8");
}
BENCHMARK(BM_TemplateRowUtf8);

void BM_TemplateRowUtf16(benchmark::State& state) {
    WriteTemplateRows(state, "UTF-16");
}
BENCHMARK(BM_TemplateRowUtf16);

void FormatValues(benchmark::State& state, CSCol column, const std::vector<std::string>& raws) {
    std::string out;
    size_t i = 0;
    for (auto _ : state) {
        column.FormatValueInto(raws[i++ % raws.size()], false, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FormatText(benchmark::State& state) {
    FormatValues(state, CSCol::WithId(1), {"S\xC3\xA3o Paulo", "Amsterdam", "New York"});
}
BENCHMARK(BM_FormatText);

void BM_FormatNumberThousands(benchmark::State& state) {
    CSCol column = CSCol::WithId(1);
    column.dataType = DataTypeProperties::kNumber;
    column.precision = 2;
    column.thousands = true;
    FormatValues(state, column, {"48213.07", "-1234567.5", "0.004", "99"});
}
BENCHMARK(BM_FormatNumberThousands);

void BM_FormatDatePattern(benchmark::State& state) {
    CSCol column = CSCol::WithId(1);
    column.dataType = DataTypeProperties::kDateTime;
    column.format = "DD MMM YYYY";
    FormatValues(state, column, {"2017-04-21", "2010-12-01", "2024-02-29"});
}
BENCHMARK(BM_FormatDatePattern);

void BM_FormatLookup(benchmark::State& state) {
    CSCol column = CSCol::WithId(1);
    column.AddLookupEntry("n = no");
    column.AddLookupEntry("y = yes");
    FormatValues(state, column, {"Y", "N", "y"});
}
BENCHMARK(BM_FormatLookup);

}  // namespace

BENCHMARK_MAIN();
