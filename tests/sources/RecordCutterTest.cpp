// Text read in ranges of whole records, each by a source of its own, gives
// the records (and the failures, naming the same lines) that one source
// reading the whole file gives, however small the ranges.
#include "sources/RecordCutter.h"

#include <gtest/gtest.h>

#include <memory>

#include "TextSourceTestSupport.h"
#include "sources/TextFileDataSource.h"

using namespace testsupport;

namespace {

struct Reading {
    Table rows;
    std::string error;
    size_t ranges = 0;
};

std::unique_ptr<DVDataSource> OpenSource(DVFile& definition) {
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    EXPECT_EQ(source->Open(definition, 0), kSuccess) << source->ErrorText();
    return source;
}

void ReadRows(DVDataSource& source, Table& rows) {
    while (source.NextRow()) {
        std::vector<std::string> row;
        for (size_t i = 0; i < source.Columns().size(); ++i) {
            row.push_back(source.GetColumnValue(static_cast<int32_t>(i), false));
        }
        rows.push_back(row);
    }
}

// The first record read by one source, the rest cut into ranges of about
// rangeBytes, each read by a fresh source.
Reading ReadInRanges(DVFile& definition, size_t rangeBytes) {
    Reading reading;
    std::unique_ptr<DVDataSource> first = OpenSource(definition);
    auto& text = dynamic_cast<TextFileDataSource&>(*first);
    EXPECT_TRUE(text.CanReadRanges());
    if (!text.NextRow()) {
        reading.error = text.ErrorText();
        return reading;
    }
    reading.rows.push_back({});
    for (size_t i = 0; i < text.Columns().size(); ++i) {
        reading.rows.back().push_back(text.GetColumnValue(static_cast<int32_t>(i), false));
    }
    RecordCutter cutter(definition.Settings().sourcefilename, text.NextRecordOffset(),
                        text.LinesRead(), text.QuotedRecords(), rangeBytes);
    RecordCutter::Range range;
    int64_t expectedBegin = text.NextRecordOffset();
    while (cutter.Next(range)) {
        EXPECT_EQ(range.begin, expectedBegin);
        EXPECT_GT(range.end, range.begin);
        expectedBegin = range.end;
        ++reading.ranges;
        std::unique_ptr<DVDataSource> source = OpenSource(definition);
        auto& part = dynamic_cast<TextFileDataSource&>(*source);
        EXPECT_TRUE(part.ReadRange(range.begin, range.end, range.linesBefore));
        ReadRows(part, reading.rows);
        if (part.HasError()) {
            reading.error = part.ErrorText();
            break;
        }
    }
    EXPECT_EQ(cutter.Error(), 0);
    return reading;
}

Reading ReadWhole(DVFile& definition) {
    Reading reading;
    std::unique_ptr<DVDataSource> source = OpenSource(definition);
    ReadRows(*source, reading.rows);
    reading.error = source->ErrorText();
    return reading;
}

void ExpectSameInRanges(DVFile& definition, const std::string& what) {
    const Reading whole = ReadWhole(definition);
    ASSERT_FALSE(whole.rows.empty()) << what;
    for (size_t bytes : {1, 2, 3, 5, 8, 13, 40, 1000, 100000}) {
        const Reading ranges = ReadInRanges(definition, bytes);
        EXPECT_EQ(ranges.rows, whole.rows) << what << ", ranges of " << bytes;
        EXPECT_EQ(ranges.error, whole.error) << what << ", ranges of " << bytes;
    }
}

}  // namespace

TEST(RecordCutterTest, RangesGiveTheRecordsOfTheWholeFile) {
    struct Case {
        const char* what;
        std::string bytes;
        bool quotedLineBreaks;
        bool header;
    };
    const Case cases[] = {
        {"plain lines", "a,b\n1,x\n2,y\n3,z\n4,w\n", false, true},
        {"CR LF and empty lines", "a,b\r\n1,x\r\n\r\n\n2,y\r\n  \r\n3,z", false, true},
        {"quoted line breaks",
         "a,b\n1,\"x\ny\"\n2,\"\n\n\"\n\"3\n\",\"z,\"\"q\"\"\nw\"\n4,ab\"c\n5,\"\"\n6,e\n", true,
         true},
        {"quoted line breaks, CR LF", "a,b\r\n1,\"x\r\ny\"\r\n\r\n2,\"p\r\n\r\nq\"\r\n3,z\r\n",
         true, true},
        {"a byte order mark, no header",
         "\xEF\xBB\xBF"
         "1,x\n2,\"y\nz\"\n3,w\n",
         true, false},
        {"single-byte text", "a,b\n1,K\xF6ln\n2,\"M\xFCnchen\n\"\n3,\xE9t\xE9\n", true, true},
        {"a quote never closed", "a,b\n1,x\n2,\"open\nand on\n\nand on\n", true, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        DVFile definition = TextDefinition(dir, c.bytes, DVFileSettings::kDelimitedText);
        definition.SetQuotedLineBreaks(c.quotedLineBreaks);
        definition.SetFirstRowHasColNames(c.header);
        ReadColumns(definition);
        ExpectSameInRanges(definition, c.what);
    }
}

TEST(RecordCutterTest, ALineTooLongFailsNamingItsLineInAnyRange) {
    TempDir dir;
    std::string bytes = "a,b\n1,x\n2,y\n3," + std::string(3 << 20, 'z') + "\n4,w\n";
    DVFile definition = TextDefinition(dir, bytes, DVFileSettings::kDelimitedText);
    definition.SetQuotedLineBreaks(true);
    const Reading whole = ReadWhole(definition);
    EXPECT_NE(whole.error.find("Line 4 of"), std::string::npos) << whole.error;
    for (size_t rangeBytes : {1, 7, 1 << 20}) {
        const Reading ranges = ReadInRanges(definition, rangeBytes);
        EXPECT_EQ(ranges.rows, whole.rows);
        EXPECT_EQ(ranges.error, whole.error);
    }
}

TEST(RecordCutterTest, FixedWidthRecordsAreLines) {
    TempDir dir;
    DVFile definition =
        TextDefinition(dir, "ab12\ncd34\n\nef56\r\ngh78", DVFileSettings::kFixedWidthText);
    ExpectSameInRanges(definition, "fixed width");
}
