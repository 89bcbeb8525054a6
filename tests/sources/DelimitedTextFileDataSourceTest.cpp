#include "sources/DelimitedTextFileDataSource.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

#include "TextSourceTestSupport.h"
#include "base/TextUtil.h"
#include "model/RegionalTestSupport.h"
#include "sources/DelimitedFieldSplitter.h"

using namespace testsupport;

namespace {

using Names = std::vector<std::string>;

std::vector<std::string> Split(std::string_view line, std::string_view delimiters, bool merge,
                               bool trim) {
    DelimitedFieldSplitter splitter(delimiters, merge, trim);
    splitter.Start(line);
    std::vector<std::string> fields;
    std::string_view field;
    while (splitter.Next(field)) {
        fields.emplace_back(field);
    }
    return fields;
}

TEST(DelimitedTextFileDataSourceTest, FieldSplitting) {
    struct Case {
        const char* line;
        const char* delimiters;
        bool merge;
        bool trim;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"a,,b", ",", false, true, {"a", "", "b"}},
        {"a,,b", ",", true, true, {"a", "b"}},
        {"a,b,", ",", false, true, {"a", "b"}},
        {",a", ",", false, true, {"", "a"}},
        {"\"x, y\",z", ",", false, true, {"\"x, y\"", "z"}},
        {"  \"x, y\" ,z", ",", false, true, {"\"x, y\"", "z"}},
        {"  \"x, y\" ,z", ",", false, false, {"  \"x, y\" ", "z"}},
        {"\"unterminated, field", ",", false, true, {"\"unterminated, field"}},
        {"a;b|c", ";|", false, true, {"a", "b", "c"}},
        {"a\t\tb", "\t", false, true, {"a", "", "b"}},
        {"\ta\tb", "\t", false, false, {"", "a", "b"}},
        {"a b  c", " ", true, true, {"a", "b", "c"}},
        {"x\xC2\xA7y\xC2\xA7z", "\xC2\xA7", false, true, {"x", "y", "z"}},
        {"whole, line", "", false, true, {"whole, line"}},
        {"ab\"c,d\"e", ",", false, true, {"ab\"c", "d\"e"}},  // quotes only open a field
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Split(c.line, c.delimiters, c.merge, c.trim), c.fields) << c.line;
    }
}

TEST(DelimitedTextFileDataSourceTest, QuoteRemoval) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"Smith; John\"", "Smith; John"},
        {"'single'", "single"},
        {"\"mixed'", "mixed"},
        {"\"open", "open"},
        {"plain\"", "plain\""},
        {"\"He said \"\"hi\"\"\"", "He said \"hi\""},
        {"'a''b'", "a''b"},
        {"\"\"", ""},
        {"", ""},
    };
    for (const auto& [in, out] : cases) {
        std::string storage;
        EXPECT_EQ(TextFileDataSource::RemoveQuotes(in, storage), out) << in;
    }
}

TEST(DelimitedTextFileDataSourceTest, HeaderNamesAndQuotes) {
    TempDir dir;
    DVFile definition = TextDefinition(
        dir, "Name;Age;;\"City\"\n\"Smith; John\";42;x;\"Den \"\"Haag\"\"\"\n\n  Ann ; 7 \n",
        DVFileSettings::kDelimitedText);
    definition.SetDelimiter(";");
    ReadColumns(definition);
    EXPECT_EQ(ColumnNames(definition), (Names{"Name", "Age", "col003", "City"}));
    EXPECT_EQ(ReadAll(definition),
              (Table{{"Smith; John", "42", "x", "Den \"Haag\""}, {"Ann", "7", "", ""}}));

    definition.SetTrimSpace(false);
    EXPECT_EQ(ReadAll(definition)[1], (std::vector<std::string>{"  Ann ", " 7 ", "", ""}));
}

TEST(DelimitedTextFileDataSourceTest, WithoutHeaderTheFirstLineIsData) {
    TempDir dir;
    const std::string path = dir.File("n.csv");
    WriteFile(path, "1,2\n3,4\n");
    DVFile definition;
    definition.SetFirstRowHasColNames(false);
    definition.SetAutoAddNodes(false);
    definition.SetSourceFileName(path);
    ReadColumns(definition);
    EXPECT_EQ(ColumnNames(definition), (Names{"col001", "col002"}));
    EXPECT_EQ(ReadAll(definition), (Table{{"1", "2"}, {"3", "4"}}));

    // Own names stay; names that look generated ("colour") are renumbered.
    definition.Column(0).name = "colour";
    definition.Column(1).name = "Size";
    ReadAll(definition);
    EXPECT_EQ(ColumnNames(definition), (Names{"col001", "Size"}));
}

TEST(DelimitedTextFileDataSourceTest, ChoosesTheDelimiter) {
    const std::pair<std::string, std::string> cases[] = {
        {"a|b|c\n1|2|3\n4|5|6\n", "|"}, {"a\tb\n1\t2\n", "\t"},
        {"a,b;c\n1;2,3;4\n", ","},  // the comma comes first among equal counts
        {"a b~c\n1 2~3\n", " "},        {"only one line|x\n", ","},  // one line keeps the comma
        {"a,b\n1,2,3\n", ","},                                       // nothing qualifies: unchanged
    };
    TempDir dir;
    for (const auto& [bytes, delimiter] : cases) {
        DVFile definition = TextDefinition(dir, bytes, DVFileSettings::kDelimitedText);
        EXPECT_EQ(definition.Settings().delimiter, delimiter) << bytes;
    }
}

TEST(DelimitedTextFileDataSourceTest, ByteOrderMarkStaysOutOfTheFirstName) {
    TempDir dir;
    DVFile definition =
        TextDefinition(dir, "\xEF\xBB\xBFName,Qty\nx,1\n", DVFileSettings::kDelimitedText);
    EXPECT_EQ(definition.Column(0).name, "Name");
    // A definition saved with the mark in the name still finds its column.
    definition.Column(0).name = "\xEF\xBB\xBFName";
    definition.Column(0).defaultValue = "kept";
    const int32_t id = definition.Column(0).id;
    EXPECT_EQ(ReadAll(definition), (Table{{"x", "1"}}));
    EXPECT_EQ(definition.Column(0).id, id);
}

TEST(DelimitedTextFileDataSourceTest, ReadsEveryEncoding) {
    TempDir dir;
    const std::string utf16le("\xFF\xFEN\0,\0Q\0\n\0\xFC\0,\0\x31\0\n\0", 18);
    const std::string utf16be("\xFE\xFF\0N\0,\0Q\0\n\0\xFC\0,\0\x31\0\n", 18);
    for (const std::string& bytes :
         {utf16le, utf16be, std::string("N,Q\n\xFC,1\n"), std::string("N,Q\n\xC3\xBC,1\n")}) {
        DVFile definition = TextDefinition(dir, bytes, DVFileSettings::kDelimitedText);
        EXPECT_EQ(ColumnNames(definition), (Names{"N", "Q"}));
        EXPECT_EQ(ReadAll(definition), (Table{{"\xC3\xBC", "1"}}));
    }
}

TEST(DelimitedTextFileDataSourceTest, SortsByIndex) {
    const testsupport::EnglishConventions english;
    TempDir dir;
    DVFile definition = TextDefinition(dir,
                                       "Name,Qty,When\n"
                                       "b,10,2004-05-06\n"
                                       "A,-1,2003-01-01\n"
                                       "a,-3,2004-05-06\n"
                                       "c,900000000,1999-12-31\n"
                                       "B,1000000000,2004-05-07\n"
                                       "a,9.5,2003-01-01\n",
                                       DVFileSettings::kDelimitedText);
    definition.Column(1).dataType = DataTypeProperties::kNumber;
    definition.Column(1).precision = 2;
    definition.Column(2).dataType = DataTypeProperties::kDateTime;
    definition.Column(2).format = "YYYY-MM-DD";
    auto names = [&]() {
        std::vector<std::string> out;
        for (const auto& row : ReadAll(definition)) {
            out.push_back(row[0] + row[1]);
        }
        return out;
    };
    // Numbers in numeric order, negatives and wide values included.
    definition.SortOrders()[0] = SortOrder{definition.Column(1).id, false};
    EXPECT_EQ(names(),
              (Names{"a-3.00", "A-1.00", "a9.50", "b10.00", "c900000000.00", "B1000000000.00"}));
    // Text ignores case and keeps file order for equal keys; a second key
    // descending reverses only itself.
    definition.SortOrders()[0] = SortOrder{definition.Column(0).id, false};
    EXPECT_EQ(names(),
              (Names{"A-1.00", "a-3.00", "a9.50", "b10.00", "B1000000000.00", "c900000000.00"}));
    definition.SortOrders()[1] = SortOrder{definition.Column(1).id, true};
    EXPECT_EQ(names(),
              (Names{"a9.50", "A-1.00", "a-3.00", "B1000000000.00", "b10.00", "c900000000.00"}));
    // Dates, descending.
    definition.SortOrders()[0] = SortOrder{definition.Column(2).id, true};
    definition.SortOrders()[1].reset();
    EXPECT_EQ(names(),
              (Names{"B1000000000.00", "b10.00", "a-3.00", "A-1.00", "a9.50", "c900000000.00"}));
    // Sorting and a row range: the range counts sorted rows.
    definition.SetFirstRow(2);
    definition.SetLastRow(3);
    EXPECT_EQ(names(), (Names{"b10.00", "a-3.00"}));
}

TEST(DelimitedTextFileDataSourceTest, BadInputGivesCodesNotCrashes) {
    TempDir dir;
    int32_t code = 0;
    std::string error;
    DVFile missing;
    missing.SetSourceFileName(dir.File("missing.csv"));
    ReadAll(missing, &code, &error);
    EXPECT_EQ(code, kSourceFileOpen);
    EXPECT_NE(error, "");

    DVFile empty = TextDefinition(dir, "", DVFileSettings::kDelimitedText);
    ReadAll(empty, &code);
    EXPECT_EQ(code, kNoColumns);

    DVFile noDelimiter = TextDefinition(dir, "a,b\n", DVFileSettings::kDelimitedText);
    noDelimiter.StoreDelimiter("");
    ReadAll(noDelimiter, &code);
    EXPECT_EQ(code, kNoDelimiter);

    DVFile noFile;
    ReadAll(noFile, &code);
    EXPECT_EQ(code, kNoSourceFile);

    std::string garbage;
    for (int i = 0; i < 5000; ++i) {
        garbage += static_cast<char>((i * 7919) % 256);
    }
    DVFile binary = TextDefinition(dir, garbage, DVFileSettings::kDelimitedText);
    ReadAll(binary, &code);  // any outcome but a crash

    DVFile quote =
        TextDefinition(dir, "a,b\n\"never closed,1\n2,3\n", DVFileSettings::kDelimitedText);
    EXPECT_EQ(ReadAll(quote), (Table{{"never closed,1", ""}, {"2", "3"}}));
}

TEST(DelimitedTextFileDataSourceTest, OverLongLineIsAnErrorNotASilentGap) {
    TempDir dir;
    DVFile definition = TextDefinition(dir, "a,b\n1,2\n" + std::string(70000, 'x') + ",3\n4,5\n",
                                       DVFileSettings::kDelimitedText);
    int32_t code = 0;
    std::string error;
    const Table rows = ReadAll(definition, &code, &error);
    EXPECT_EQ(code, kSuccess);
    EXPECT_EQ(rows, (Table{{"1", "2"}}));
    EXPECT_NE(error.find("Line 3"), std::string::npos) << error;
    EXPECT_NE(error.find("longer than"), std::string::npos) << error;
}

}  // namespace

TEST(DelimitedTextFileDataSourceTest, LargeSortAcrossReadBlocksRewindsWhileTheFileStands) {
    TempDir dir;
    std::string content = "Key,Serial\n";
    std::vector<std::pair<std::string, int>> expected;
    uint32_t state = 7;
    for (int i = 0; i < 3000; ++i) {
        state = state * 1103515245u + 12345u;
        // Few distinct keys in mixed case, so equal keys must keep file order.
        std::string key = std::string(1, static_cast<char>('a' + (state >> 16) % 5)) +
                          std::string((state >> 8) % 30, 'x');
        if (i % 3 == 0) {
            key[0] = static_cast<char>(key[0] - 'a' + 'A');
        }
        content += key + "," + std::to_string(i) + "\n";
        expected.emplace_back(Norvik::ToLower(key), i);
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    DVFile definition = TextDefinition(dir, content, DVFileSettings::kDelimitedText);
    definition.SortOrders()[0] = SortOrder{definition.Column(0).id, false};

    DelimitedTextFileDataSource source;
    source.SetReadBlockSizeForTesting(64);  // records cross read blocks
    ASSERT_EQ(source.Validate(definition), kSuccess);
    ASSERT_EQ(source.Open(definition, 0), kSuccess);
    auto serials = [&source] {
        std::vector<int> out;
        while (source.NextRow()) {
            out.push_back(std::stoi(source.GetColumnValue(1, false)));
        }
        return out;
    };
    std::vector<int> want;
    for (const auto& entry : expected) {
        want.push_back(entry.second);
    }
    EXPECT_EQ(serials(), want);
    ASSERT_TRUE(source.Rewind(definition));
    EXPECT_EQ(serials(), want);

    // A changed file needs a new index: the caller opens again.
    WriteFile(definition.Settings().sourcefilename, content + "zzz,3000\n");
    EXPECT_FALSE(source.Rewind(definition));
    DelimitedTextFileDataSource unsorted;
    definition.SortOrders()[0].reset();
    ASSERT_EQ(unsorted.Open(definition, 0), kSuccess);
    EXPECT_FALSE(unsorted.Rewind(definition));
}

TEST(DelimitedTextFileDataSourceTest, SourceCutShortMidRunIsAnErrorNotFewerRows) {
    TempDir dir;
    std::string content = "A,B\n";
    while (content.size() < (3u << 20)) {  // beyond the first read
        content += std::to_string(content.size()) + ",a row of the source\n";
    }
    DVFile definition = TextDefinition(dir, content, DVFileSettings::kDelimitedText);
    DelimitedTextFileDataSource source;
    ASSERT_EQ(source.Open(definition, 0), kSuccess);
    ASSERT_TRUE(source.NextRow());
    ASSERT_EQ(::truncate(definition.Settings().sourcefilename.c_str(), 2 << 20), 0);
    while (source.NextRow()) {
    }
    EXPECT_TRUE(source.HasError());
    EXPECT_NE(source.ErrorText().find("became shorter"), std::string::npos) << source.ErrorText();
}
