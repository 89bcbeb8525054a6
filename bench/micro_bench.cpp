// Micro-benchmarks of the two hot spots of every run, in isolation: the XML
// writer (one row of eight elements) and column formatting.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "io/CMemoryStream.h"
#include "model/CSCol.h"
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

void WriteRows(benchmark::State& state, const char* encoding) {
    Norvik::CMemoryStream stream;
    Norvik::CSAXWriter writer(stream);
    writer.SetEncoding(encoding);
    writer.SetIndent(true);
    writer.StartDocument();
    writer.StartElement("document");
    size_t bytes = 0;
    for (auto _ : state) {
        writer.StartElement("row");
        for (const auto& [name, value] : Row()) {
            writer.StartElement(name);
            writer.Characters(value);
            writer.EndElement(name);
        }
        writer.EndElement("row");
        if (stream.Size() > (1 << 20)) {
            writer.Flush();
            bytes += stream.Size();
            stream.Rewind();
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(bytes + stream.Size()));
}

void BM_WriterRowUtf8(benchmark::State& state) {
    WriteRows(state, "utf-8");
}
BENCHMARK(BM_WriterRowUtf8);

void BM_WriterRowUtf16(benchmark::State& state) {
    WriteRows(state, "UTF-16");
}
BENCHMARK(BM_WriterRowUtf16);

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
