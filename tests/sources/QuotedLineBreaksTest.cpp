// Quoted fields that run on across lines: a record is read until its quoted
// field closes, line breaks kept as they stand in the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TextSourceTestSupport.h"
#include "sources/DelimitedFieldSplitter.h"
#include "sources/DelimitedTextFileDataSource.h"

using namespace testsupport;

namespace {

DVFile QuotedDefinition(const TempDir& dir, const std::string& bytes,
                        bool quotedLineBreaks = true) {
    const std::string path = dir.File("in.csv");
    WriteFile(path, bytes);
    DVFile definition;
    definition.SetAutoAddNodes(false);
    definition.SetQuotedLineBreaks(quotedLineBreaks);
    definition.SetSourceFileName(path);
    ReadColumns(definition);
    return definition;
}

// Every row, read through blocks of a few bytes, so that line ends (CR LF
// too) and records cross them everywhere.
Table ReadInSmallBlocks(DVFile& definition, size_t blockSize) {
    DelimitedTextFileDataSource source;
    source.SetReadBlockSizeForTesting(blockSize);
    Table rows;
    if (source.Open(definition, 0) != kSuccess) {
        return rows;
    }
    while (source.NextRow()) {
        std::vector<std::string> row;
        for (size_t i = 0; i < source.Columns().size(); ++i) {
            row.push_back(source.GetColumnValue(static_cast<int32_t>(i), false));
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(QuotedLineBreaksTest, TheSplitterSaysWhenALineLeavesAQuotedFieldOpen) {
    struct Case {
        const char* delimiters;
        std::vector<const char*> lines;  // a record, line by line
        std::vector<bool> open;          // after each line
    };
    const Case cases[] = {
        {",", {"a,b,c"}, {false}},
        {",", {"1,\"hello", "world\",Paris"}, {true, false}},
        {",", {"1,  \"x", "y\""}, {true, false}},                // white space before the quote
        {",", {"1,x\"y,z"}, {false}},                            // a quote inside a plain field
        {",", {"\"say \"\"hi", "\"\" now\",2"}, {true, false}},  // doubled quotes
        {",", {"\"a\"\"", "\""}, {true, false}},                 // ends on a doubled quote
        {",", {"\"a\" b \"c", "d\""}, {true, false}},            // every quote of the field counts
        {",", {"\"a\",\"b", "", "c\",\"d", "e\""}, {true, true, true, false}},
        {";|", {"1|\"a;b", "c\";2"}, {true, false}},
        {"\xc2\xa7",
         {"1\xc2\xa7\"\xc3\xa9",
          "\"\xc2\xa7"
          "2"},
         {true, false}},
        {"", {"\"whole", "line\""}, {true, false}},
    };
    for (const Case& c : cases) {
        DelimitedFieldSplitter splitter(c.delimiters);
        for (size_t i = 0; i < c.lines.size(); ++i) {
            const bool open =
                i == 0 ? splitter.StartRecord(c.lines[i]) : splitter.ContinueRecord(c.lines[i]);
            EXPECT_EQ(open, c.open[i]) << c.lines.front() << " line " << i;
        }
    }
}

TEST(QuotedLineBreaksTest, RecordsRunOnUntilTheirQuotedFieldCloses) {
    struct Case {
        const char* name;
        std::string bytes;
        Table rows;
    };
    const Case cases[] = {
        {"LF inside a field",
         "id,note,city\n1,\"hello\nworld\",Paris\n2,plain,Rome\n",
         {{"1", "hello\nworld", "Paris"}, {"2", "plain", "Rome"}}},
        {"CR LF kept as it stands",
         "id,note,city\r\n1,\"a\r\nb\",x\r\n2,c,y\r\n",
         {{"1", "a\r\nb", "x"}, {"2", "c", "y"}}},
        {"a doubled quote in a field of several lines",
         "id,note,city\n1,\"say \"\"hi\"\"\nthere\",x\n",
         {{"1", "say \"hi\"\nthere", "x"}}},
        {"a field that is only a line break", "id,note,city\n1,\"\n\",x\n", {{"1", "\n", "x"}}},
        {"empty lines inside a field",
         "id,note,city\n1,\"a\n\n\nb\",x\n",
         {{"1", "a\n\n\nb", "x"}}},
        {"the last record without a final line break",
         "id,note,city\n1,a,b\n2,\"end\nhere\",c",
         {{"1", "a", "b"}, {"2", "end\nhere", "c"}}},
        {"blank lines between records are still no rows",
         "id,note,city\n\n1,\"x\ny\",z\n\n\n2,p,q\n",
         {{"1", "x\ny", "z"}, {"2", "p", "q"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        DVFile definition = QuotedDefinition(dir, c.bytes);
        ASSERT_EQ(definition.Columns().size(), 3u);
        EXPECT_EQ(ReadAll(definition), c.rows);
        for (const size_t blockSize : {1, 2, 3, 5, 8}) {
            EXPECT_EQ(ReadInSmallBlocks(definition, blockSize), c.rows) << blockSize;
        }
    }
}

TEST(QuotedLineBreaksTest, UtfSixteenFilesKeepTheirLineBreaksToo) {
    for (const bool bigEndian : {false, true}) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char c : std::string("id,note\r\n1,\"a\r\n\r\nb\",\r\n2,c\r\n")) {
            bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        }
        TempDir dir;
        DVFile definition = QuotedDefinition(dir, bytes);
        EXPECT_EQ(ReadAll(definition), (Table{{"1", "a\r\n\r\nb"}, {"2", "c"}})) << bigEndian;
        EXPECT_EQ(ReadInSmallBlocks(definition, 3), (Table{{"1", "a\r\n\r\nb"}, {"2", "c"}}));
    }
}

TEST(QuotedLineBreaksTest, StoredDefinitionsWithoutTheMemberReadLinesAsBefore) {
    TempDir dir;
    DVFile definition =
        QuotedDefinition(dir, "id,note,city\n1,\"hello\nworld\",Paris\n2,plain,Rome\n", false);
    EXPECT_EQ(ReadAll(definition),
              (Table{{"1", "hello", ""}, {"world\"", "Paris", ""}, {"2", "plain", "Rome"}}));
    // Quote removal off keeps reading line by line too.
    definition.SetQuotedLineBreaks(true);
    definition.SetRemoveQuotes(false);
    EXPECT_EQ(ReadAll(definition).size(), 3u);
}

TEST(QuotedLineBreaksTest, HeaderAndDelimiterChoiceFollowRecords) {
    TempDir dir;
    // Column names may hold line breaks; the delimiter is chosen from records.
    DVFile definition = QuotedDefinition(dir, "\"first\nname\";city\nAnn;\"x\ny\"\nBob;z\n");
    EXPECT_EQ(definition.Settings().delimiter, ";");
    ASSERT_EQ(definition.Columns().size(), 2u);
    EXPECT_EQ(definition.Column(0).name, "first\nname");
    EXPECT_EQ(ReadAll(definition), (Table{{"Ann", "x\ny"}, {"Bob", "z"}}));
}

TEST(QuotedLineBreaksTest, AQuotedFieldNeverClosedFailsNamingItsLine) {
    TempDir dir;
    DVFile definition = QuotedDefinition(dir, "id,note\n1,a\n2,\"open\nand on\nand on\n");
    int32_t code = 0;
    std::string error;
    const Table rows = ReadAll(definition, &code, &error);
    EXPECT_EQ(code, kSuccess);
    EXPECT_EQ(rows, (Table{{"1", "a"}}));  // the rows before it, then the failure
    EXPECT_EQ(error, "The quoted field that opens on line 3 is never closed");

    std::unique_ptr<DVDataSource> source = CreateDataSource(DVFileSettings::kDelimitedText);
    ASSERT_EQ(source->Open(definition, 0), kSuccess);
    while (source->NextRow()) {
    }
    EXPECT_TRUE(source->HasError());
    EXPECT_EQ(source->ReadFailureCode(), kSourceRecord);

    // In the header the source cannot be opened at all.
    DVFile header = QuotedDefinition(dir, "\"id\n");
    std::unique_ptr<DVDataSource> again = CreateDataSource(DVFileSettings::kDelimitedText);
    EXPECT_EQ(again->Open(header, 0), kSourceRecord);
    EXPECT_EQ(again->ErrorText(), "The quoted field that opens on line 1 is never closed");
}

TEST(QuotedLineBreaksTest, ARecordPastTheBoundFailsInsteadOfFillingMemory) {
    TempDir dir;
    std::string bytes = "id,note\n1,\"";
    const std::string line(60000, 'x');
    while (bytes.size() <= TextFileDataSource::kMaxRecordBytes) {
        bytes += line + "\n";
    }
    bytes += "\"\n2,b\n";
    DVFile definition = QuotedDefinition(dir, bytes);
    int32_t code = 0;
    std::string error;
    EXPECT_TRUE(ReadAll(definition, &code, &error).empty());
    EXPECT_EQ(error, "The record that starts on line 2 is longer than 16 MB");
}

TEST(QuotedLineBreaksTest, SortedRecordsKeepTheirLines) {
    TempDir dir;
    DVFile definition =
        QuotedDefinition(dir, "id,note\n2,\"two\nlines\"\n3,\"three\r\n\r\nlines\"\n1,one\n");
    definition.SortOrders()[0] = SortOrder{definition.Column(0).id, true};
    EXPECT_EQ(ReadAll(definition),
              (Table{{"3", "three\r\n\r\nlines"}, {"2", "two\nlines"}, {"1", "one"}}));
}

}  // namespace
