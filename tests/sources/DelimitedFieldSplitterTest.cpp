#include "sources/DelimitedFieldSplitter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string_view> ByNext(DelimitedFieldSplitter& splitter, std::string_view line,
                                     size_t count) {
    std::vector<std::string_view> fields(count);
    splitter.Start(line);
    for (std::string_view& field : fields) {
        if (!splitter.Next(field)) {
            field = {};
        }
    }
    return fields;
}

}  // namespace

// Splitting a whole line at once gives the fields one call per field gives,
// for every delimiter setting (one delimiter takes the fast way).
TEST(DelimitedFieldSplitterTest, SplitMatchesFieldByField) {
    const std::string alphabet[] = {"a", "bc", " ", ",", "\"", ";", "\t", "\xc3\xa9", "\"\""};
    std::mt19937 random(17);
    std::vector<std::string> lines = {"",
                                      ",",
                                      ",,",
                                      "a,b,",
                                      " \"x, y\" ,z",
                                      "\"open, never closed",
                                      "a\"b,c",
                                      "\"a\"b\"c,d\",e",
                                      std::string(40, ',')};
    for (int i = 0; i < 3000; ++i) {
        std::string line;
        // Some lines run over the 64 bytes one word of bits holds, a few
        // over the 512 the line-wide scan takes.
        const size_t pieces = random() % (i % 50 == 0 ? 600 : i % 4 == 0 ? 120 : 24);
        for (size_t k = 0; k < pieces; ++k) {
            line += alphabet[random() % std::size(alphabet)];
        }
        lines.push_back(line);
    }
    struct Setting {
        const char* delimiters;
        bool merge;
        bool trim;
    };
    const Setting settings[] = {{",", false, true},  {",", false, false}, {",", true, true},
                                {",;", false, true}, {"\t", false, true}, {"", false, true},
                                {"\"", false, true}};
    for (const Setting& setting : settings) {
        for (const std::string& line : lines) {
            for (const size_t count : {size_t{0}, size_t{1}, size_t{3}, size_t{9}, size_t{200}}) {
                DelimitedFieldSplitter splitter(setting.delimiters, setting.merge, setting.trim);
                std::vector<std::string_view> fields(count);
                const bool open = splitter.Split(line, fields.data(), count, true);
                ASSERT_EQ(fields, ByNext(splitter, line, count))
                    << "[" << line << "] delimiters [" << setting.delimiters << "] merge "
                    << setting.merge << " trim " << setting.trim;
                ASSERT_EQ(open, splitter.StartRecord(line)) << "[" << line << "]";
            }
        }
    }
}
