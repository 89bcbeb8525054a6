// Rows written on several threads: the bytes one thread writes, whatever the
// thread count and however the rows are cut into batches, for definitions
// written apart and for those that must run on one thread; and failures
// that end the run as they do on one thread.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "AwkwardDefinition.h"
#include "FixedEnvironment.h"
#include "RunTestSupport.h"
#include "base/ResultCode.h"
#include "io/FileSink.h"
#include "output/ParallelRowWriter.h"
#include "sources/RecordCutter.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// Batches of a few rows and ranges of a few bytes, so that even small
// sources are cut everywhere.
class TinyBatches {
public:
    explicit TinyBatches(size_t rows) {
        ParallelRowWriter::SetBatchRowsForTesting(rows);
        RecordCutter::SetRangeBytesForTesting(rows * 11);
    }
    ~TinyBatches() {
        ParallelRowWriter::SetBatchRowsForTesting(0);
        RecordCutter::SetRangeBytesForTesting(0);
    }
};

using Pipeline = DVRun::Pipeline;

struct Written {
    int32_t code = -1;
    std::string detail;
    std::vector<std::string> files;  // the contents of every output file
    size_t threadsUsed = 0;
    Pipeline pipeline = Pipeline::kOneThread;
};

Written RunWithThreads(const std::string& project, size_t threads,
                       const DVRun::ProgressCallback& progress = {}) {
    DVRun run;
    run.SetDefinitionPath(project);
    Written written;
    if (!run.LoadDefinition()) {
        ADD_FAILURE() << run.GetDetailText();
        return written;
    }
    run.SetThreads(threads);
    written.code = run.Run(progress);
    written.detail = run.GetDetailText();
    written.threadsUsed = run.ThreadsUsed();
    written.pipeline = run.LastPipeline();
    for (const std::string& name : run.OutputFileNames()) {
        written.files.push_back(fs::exists(name) ? ReadFile(name) : std::string("(no file)"));
    }
    return written;
}

// Runs the saved definition on 1, 2, 3 and 8 threads with batches of 1 to 3
// rows (ranges of 11 to 33 bytes); every run must give the one-thread
// result. Returns how the last run wrote its rows.
Pipeline ExpectSameAtEveryThreadCount(const std::string& project, const std::string& what) {
    const Written one = RunWithThreads(project, 1);
    EXPECT_EQ(one.code, kSuccess) << what << ": " << one.detail;
    EXPECT_FALSE(one.files.empty()) << what;
    EXPECT_EQ(one.threadsUsed, 1u);
    Pipeline used = Pipeline::kOneThread;
    for (size_t batchRows : {1, 2, 3}) {
        TinyBatches batches(batchRows);
        for (size_t threads : {2, 3, 8}) {
            const Written many = RunWithThreads(project, threads);
            EXPECT_EQ(many.code, one.code) << what << ", " << threads << " threads";
            EXPECT_EQ(many.detail, one.detail) << what << ", " << threads << " threads";
            EXPECT_EQ(many.files, one.files)
                << what << ", " << threads << " threads, batches of " << batchRows;
            used = many.pipeline;
            EXPECT_EQ(many.threadsUsed, used == Pipeline::kOneThread ? 1 : threads) << what;
        }
    }
    return used;
}

// Each thread count fails the run as one thread did (one): the same code
// and message, written the way given, and no file left at target.
void ExpectFailsAsOneThread(const std::string& project, const Written& one,
                            std::initializer_list<size_t> threadCounts, Pipeline pipeline,
                            const std::string& target) {
    for (size_t threads : threadCounts) {
        const Written many = RunWithThreads(project, threads);
        EXPECT_EQ(many.pipeline, pipeline) << threads << " threads";
        EXPECT_EQ(many.code, one.code) << threads << " threads";
        EXPECT_EQ(many.detail, one.detail) << threads << " threads";
        EXPECT_FALSE(fs::exists(target)) << threads << " threads";
    }
}

}  // namespace

TEST(ParallelRunTest, RowsWrittenApartAreTheBytesOfOneThread) {
    struct Case {
        const char* what;
        void (*change)(DVFile&);
    };
    const Case cases[] = {{"every kind of node", [](DVFile&) {}},
                          {"formatted columns", FormatColumns},
                          {"indented, end tags always",
                           [](DVFile& d) {
                               d.SetIndentOutput(true);
                               d.SetAlwaysEmitEndTags(true);
                           }},
                          {"UTF-16", [](DVFile& d) { d.SetEncoding("UTF-16"); }},
                          {"UTF-16 indented, formatted",
                           [](DVFile& d) {
                               d.SetEncoding("UTF-16");
                               d.SetIndentOutput(true);
                               FormatColumns(d);
                           }},
                          {"German numbers and dates",
                           [](DVFile& d) {
                               d.SetLocale("de_DE.UTF-8");
                               FormatColumns(d);
                           }},
                          {"first and last row", [](DVFile& d) {
                               d.SetFirstRow(3);
                               d.SetLastRow(150);
                           }}};
    for (const Case& c : cases) {
        TempDir dir;
        DVFile definition = CsvDefinition(dir, AwkwardCsv(173), false);
        definition.SetQuotedLineBreaks(true);
        AddEverything(definition);
        c.change(definition);
        EXPECT_EQ(ExpectSameAtEveryThreadCount(SaveDefinition(definition, dir), c.what),
                  Pipeline::kRowBatches)
            << c.what;
    }
}

// Rows that show no row number are read by the workers themselves, in
// ranges of whole records.
TEST(ParallelRunTest, RecordRangesReadApartAreTheBytesOfOneThread) {
    for (const bool crlf : {false, true}) {
        for (const AwkwardCase& c : AwkwardCases()) {
            TempDir dir;
            std::string csv = AwkwardCsv(211);
            if (crlf) {
                // Single-byte text with CR LF line ends and empty lines.
                std::string converted;
                for (const char ch : csv) {
                    converted += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
                }
                csv = converted + "\r\n\r\n7000,last,1,2024-01-01,\"\xE9t\xE9\r\n\"\r\n";
            }
            DVFile definition = CsvDefinition(dir, csv, false);
            definition.SetQuotedLineBreaks(true);
            AddEverything(definition, false);
            c.change(definition);
            const std::string what = std::string(c.what) + (crlf ? ", CR LF" : "");
            EXPECT_EQ(ExpectSameAtEveryThreadCount(SaveDefinition(definition, dir), what),
                      Pipeline::kRecordRanges)
                << what;
        }
    }
}

TEST(ParallelRunTest, CompressedAndTransformedOutputIsTheSameAtEveryThreadCount) {
    for (const char* target : {"out.xml.gz", "out.xml.zst", "out.xml"}) {
        TempDir dir;
        DVFile definition = CsvDefinition(dir, AwkwardCsv(97), false);
        definition.SetQuotedLineBreaks(true);
        AddEverything(definition, false);
        definition.SetTargetFileName(dir.File(target));
        if (std::string(target) == "out.xml") {
            WriteFile(dir.File("t.xsl"),
                      R"(<xsl:stylesheet version="1.0" )"
                      R"(xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)"
                      R"(<xsl:template match="/"><names><xsl:for-each select="//name">)"
                      R"(<n><xsl:value-of select="."/></n></xsl:for-each></names>)"
                      R"(</xsl:template></xsl:stylesheet>)");
            definition.SetXslTransform(dir.File("t.xsl"));
        }
        EXPECT_EQ(ExpectSameAtEveryThreadCount(SaveDefinition(definition, dir), target),
                  Pipeline::kRecordRanges)
            << target;
    }
}

// Rows that write nothing leave the document element as one writer leaves
// it: an empty-element tag when nothing else goes inside.
TEST(ParallelRunTest, RowsThatWriteNothingLeaveTheDocumentElementAlone) {
    for (const bool indent : {false, true}) {
        TempDir dir;
        DVFile definition = CsvDefinition(dir, AwkwardCsv(50), false);
        Add(definition.Root(), "a", XMLNode::kAttribute)->SetValue("1");
        definition.SetIndentOutput(indent);
        ExpectSameAtEveryThreadCount(SaveDefinition(definition, dir), "attributes only");
        const Written one = RunWithThreads(SaveDefinition(definition, dir), 1);
        ASSERT_EQ(one.files.size(), 1u);
        EXPECT_NE(one.files[0].find("/>"), std::string::npos) << one.files[0];
    }
}

// Sort keys are made by workers reading ranges; the index they feed is the
// one a single reader makes, ties in file order included.
TEST(ParallelRunTest, SortedAndGroupedRunsAreTheSameAtEveryThreadCount) {
    for (const bool grouped : {false, true}) {
        TempDir dir;
        DVFile definition = CsvDefinition(dir, AwkwardCsv(157), false);
        definition.SetQuotedLineBreaks(true);
        FormatColumns(definition);
        AddEverything(definition, false);
        definition.SortOrders()[0] = SortOrder{Id(definition, "Amount"), true};
        definition.SortOrders()[1] = SortOrder{Id(definition, "Name"), false};
        if (grouped) {
            XMLNode* group =
                Add(definition.Root(), "byname", XMLNode::kElement, Id(definition, "Name"));
            group->SetGroup(Id(definition, "Name"));
            Add(*group, "id", XMLNode::kElement, Id(definition, "Id"));
        }
        const std::string what = grouped ? "grouped" : "sorted";
        ExpectSameAtEveryThreadCount(SaveDefinition(definition, dir), what);
    }
}

TEST(ParallelRunTest, AnUnreadableRecordEndsTheRunAsOneThreadDoes) {
    TinyBatches ranges(2);
    TempDir dir;
    std::string csv = GeneratedCsv(120);
    csv.replace(csv.find("\n77,"), 5, "\n77,\"");  // a quote never closed
    DVFile definition = CsvDefinition(dir, csv);
    definition.SetQuotedLineBreaks(true);
    const std::string project = SaveDefinition(definition, dir);
    const Written one = RunWithThreads(project, 1);
    EXPECT_EQ(one.code, kSourceRecord);
    EXPECT_NE(one.detail.find("on line 79"), std::string::npos) << one.detail;
    ExpectFailsAsOneThread(project, one, {2, 3}, Pipeline::kRecordRanges, dir.File("out.xml"));

    // The same record found while the sort keys are made.
    definition.SortOrders()[0] = SortOrder{Id(definition, "Name"), false};
    SaveDefinition(definition, dir);
    const Written sortedOne = RunWithThreads(project, 1);
    EXPECT_EQ(sortedOne.code, kSourceRecord);
    EXPECT_EQ(sortedOne.detail, one.detail);
    for (size_t threads : {2, 3}) {
        const Written sorted = RunWithThreads(project, threads);
        EXPECT_EQ(sorted.code, sortedOne.code);
        EXPECT_EQ(sorted.detail, sortedOne.detail);
    }
}

// Ranges of lines are cut without counting the lines before them; a message
// that names a line counts them then.
TEST(ParallelRunTest, ALineTooLongNamesItsLineAtEveryThreadCount) {
    TinyBatches ranges(2);
    TempDir dir;
    std::string csv = GeneratedCsv(120);
    csv.replace(csv.find("\n77,"), 5, "\n77," + std::string(70000, 'x'));
    DVFile definition = CsvDefinition(dir, csv);
    const std::string project = SaveDefinition(definition, dir);
    const Written one = RunWithThreads(project, 1);
    EXPECT_EQ(one.code, kSourceFileOpen);
    EXPECT_NE(one.detail.find("Line 79 of "), std::string::npos) << one.detail;
    ExpectFailsAsOneThread(project, one, {2, 3}, Pipeline::kRecordRanges, dir.File("out.xml"));

    // The same line found while the sort keys are made.
    definition.SortOrders()[0] = SortOrder{Id(definition, "Name"), false};
    SaveDefinition(definition, dir);
    const Written sortedOne = RunWithThreads(project, 1);
    EXPECT_EQ(sortedOne.detail, one.detail);
    for (size_t threads : {2, 3}) {
        EXPECT_EQ(RunWithThreads(project, threads).detail, one.detail) << threads << " threads";
    }
}

TEST(ParallelRunTest, DefinitionsThatRememberRowsRunOnOneThreadWithTheSameBytes) {
    struct Case {
        const char* what;
        void (*change)(DVFile&, XMLNode& row);
    };
    const Case cases[] = {
        {"a group", [](DVFile& d, XMLNode& row) { row.SetGroup(Id(d, "Amount")); }},
        {"skip duplicates",
         [](DVFile& d, XMLNode& row) {
             Add(row, "n", XMLNode::kElement, Id(d, "Note"))->SetSkipIfDuplicate(true);
         }},
        {"a running number", [](DVFile&, XMLNode& row) { Add(row, "id")->SetValue("{ID}"); }},
        {"use last if empty",
         [](DVFile& d, XMLNode&) { d.Column(d.ColumnIndexByName("Name")).useLastIfEmpty = true; }},
        {"a document per row", [](DVFile& d, XMLNode&) { d.SetFilePerRow(true); }},
        {"a document element open over rows",
         [](DVFile&, XMLNode& row) { row.SetScope(XMLNode::kDocumentScope); }},
        {"an encoding iconv writes", [](DVFile& d, XMLNode&) { d.SetEncoding("ISO-8859-1"); }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        DVFile definition = CsvDefinition(dir, AwkwardCsv(40), false);
        definition.SetQuotedLineBreaks(true);
        XMLNode* row = Add(definition.Root(), "row");
        Add(*row, "name", XMLNode::kElement, Id(definition, "Name"));
        XMLNode* inner = Add(*row, "inner");
        Add(*inner, "note", XMLNode::kElement, Id(definition, "Note"));
        c.change(definition, *row);
        if (definition.Settings().fileperrow) {
            definition.SetTargetFileName(dir.File("out-{ROW}.xml"));
        }
        EXPECT_EQ(ExpectSameAtEveryThreadCount(SaveDefinition(definition, dir), c.what),
                  Pipeline::kOneThread)
            << c.what;
    }
}

TEST(ParallelRunTest, TheShippedExampleIsTheSameAtEveryThreadCount) {
    FixedEnvironment fixed;  // the example shows when it ran
    TempDir dir;
    ExpectSameAtEveryThreadCount(SaveExample(dir), "the example");
}

// Random trees over random columns: whichever way a definition runs, the
// threads never change its bytes.
TEST(ParallelRunTest, RandomDefinitionsAreTheSameAtEveryThreadCount) {
    RandomAwkward random(20261209);
    size_t batches = 0;
    size_t ranges = 0;
    for (int round = 0; round < 24; ++round) {
        TempDir dir;
        DVFile definition = random.Definition(dir, 30, 40);
        if (random.Chance(30)) {
            Add(definition.Root(), "src", XMLNode::kAttribute)->SetValue("{SOURCEFILE}");
        }
        random.AddElements(definition, 20, 5);
        const std::string what = "random definition " + std::to_string(round);
        const Pipeline used = ExpectSameAtEveryThreadCount(SaveDefinition(definition, dir), what);
        batches += used == Pipeline::kRowBatches ? 1 : 0;
        ranges += used == Pipeline::kRecordRanges ? 1 : 0;
    }
    EXPECT_GT(batches, 2u) << "too few random definitions were written from batches";
    EXPECT_GT(ranges, 4u) << "too few random definitions were read in ranges";
}

TEST(ParallelRunTest, AFailureInABatchEndsTheRunAsOneThreadDoes) {
    TinyBatches batches(3);
    TempDir dir;
    std::string csv = GeneratedCsv(300);
    csv.replace(csv.find("\n157,"), 5, "\nx57,");
    DVFile definition = CsvDefinition(dir, csv);
    ValidateGeneratedRows(definition, dir);
    const std::string project = SaveDefinition(definition, dir);

    const Written invalidOne = RunWithThreads(project, 1);
    EXPECT_EQ(invalidOne.code, kOutputInvalid);
    EXPECT_NE(invalidOne.detail.find("(source row 158)"), std::string::npos) << invalidOne.detail;
    for (size_t threads : {2, 3, 8}) {
        const Written invalid = RunWithThreads(project, threads);
        EXPECT_EQ(invalid.code, invalidOne.code);
        EXPECT_EQ(invalid.detail, invalidOne.detail);
        // The validator keeps a thread of its own.
        EXPECT_EQ(invalid.threadsUsed, threads > 2 ? threads - 1 : 1);
        EXPECT_FALSE(fs::exists(dir.File("out.xml")));
    }

    // The disk filling up part way.
    definition.SetValidateSchema("");
    SaveDefinition(definition, dir);
    for (size_t threads : {1, 3}) {
        Norvik::FileSink::FailWritesAfterForTesting(2000, ENOSPC);
        const Written full = RunWithThreads(project, threads);
        Norvik::FileSink::FailWritesAfterForTesting(0, 0);
        EXPECT_EQ(full.code, kTargetFileWrite) << threads << " threads";
        EXPECT_NE(full.detail.find("No space left on device"), std::string::npos) << full.detail;
        EXPECT_FALSE(fs::exists(dir.File("out.xml")));
    }

    // Cancelled while the workers write.
    DVRun::SetProgressIntervalForTesting(0);
    int32_t seen = 0;
    const Written cancelled = RunWithThreads(project, 3, [&seen](int32_t rows) {
        seen = std::max(seen, rows);
        return rows < 50;
    });
    DVRun::SetProgressIntervalForTesting(-1);
    EXPECT_EQ(cancelled.code, kCancelled);
    EXPECT_GE(seen, 50);
    EXPECT_FALSE(fs::exists(dir.File("out.xml")));
}

namespace {

// Cities in several spellings of one name (one sorted block, several
// groups), a value only some rows have, and the awkward texts of the other
// columns.
std::string CitiesCsv(size_t rows) {
    std::string csv = "Id,City,Sparse,Amount,Note\n";
    const char* cities[] = {"Aarhus",  "aarhus", "K\xc3\xb6ln", "AARHUS",
                            "<x & y>", "",       "Lisboa",      "\"Porto, \"\"old\"\"\""};
    for (size_t i = 0; i < rows; ++i) {
        if (i % 41 == 40) {
            csv += ",,,,\n";  // a blank record: no row
        }
        csv += std::to_string(i) + "," + cities[i * 7 % 8] + "," +
               (i % 23 == 0 ? "s" + std::to_string(i) : std::string()) + "," +
               std::to_string(i * 37 % 1000) + "," + (i % 3 == 0 ? "\"a\nb\"" : "note") + "\n";
    }
    return csv;
}

// A document of group elements only: a sorted source then serves each
// group's rows, and workers write the group elements.
DVFile CitiesDefinition(const TempDir& dir, size_t rows) {
    DVFile definition = CsvDefinition(dir, CitiesCsv(rows), false);
    definition.SetQuotedLineBreaks(true);
    XMLNode& root = definition.Root();
    Add(root, "generated", XMLNode::kAttribute)->SetValue("{SOURCEFILE}");
    XMLNode* header = Add(root, "header");
    header->SetScope(XMLNode::kHeaderScope);
    Add(*header, "first", XMLNode::kElement, Id(definition, "City"));
    XMLNode* city = Add(root, "city");
    city->SetGroup(Id(definition, "City"));
    Add(*city, "name", XMLNode::kAttribute, Id(definition, "City"));
    XMLNode* row = Add(*city, "row");
    Add(*row, "id", XMLNode::kAttribute, Id(definition, "Id"));
    Add(*row, "amount", XMLNode::kElement, Id(definition, "Amount"))->SetSkipIfZero(true);
    Add(*row, "note", XMLNode::kElement, Id(definition, "Note"))->insertBrTags = true;
    XMLNode* footer = Add(root, "footer");
    footer->SetScope(XMLNode::kFooterScope);
    Add(*footer, "count")->SetValue("{ROW} rows");
    definition.SortOrders()[0] = SortOrder{Id(definition, "City"), false};
    definition.SortOrders()[1] = SortOrder{Id(definition, "Id"), true};
    return definition;
}

XMLNode& CityGroup(DVFile& definition) {
    for (const auto& child : definition.Root().Children()) {
        if (child->GetGroup() != 0) {
            return *child;
        }
    }
    throw std::logic_error("no group");
}

}  // namespace

// Group elements go out in parts of a few rows, so that a group is cut
// anywhere: before its first row with content too, which the calling
// thread then writes again.
TEST(ParallelRunTest, GroupElementsWrittenApartAreTheBytesOfOneThread) {
    struct Case {
        const char* what;
        void (*change)(DVFile&);
    };
    const Case cases[] = {
        {"attributes and text elements", [](DVFile&) {}},
        {"indented, end tags always",
         [](DVFile& d) {
             d.SetIndentOutput(true);
             d.SetAlwaysEmitEndTags(true);
         }},
        {"UTF-16, indented",
         [](DVFile& d) {
             d.SetEncoding("UTF-16");
             d.SetIndentOutput(true);
         }},
        {"the group's text and row number",
         [](DVFile& d) {
             XMLNode& city = CityGroup(d);
             city.SetSource(Id(d, "City"));
             Add(city, "at", XMLNode::kAttribute)->SetValue("row {ROW}");
             Add(city, "tail", XMLNode::kValue)->SetValue("!");
         }},
        {"rows that mostly write nothing",
         [](DVFile& d) {
             d.SetIndentOutput(true);
             XMLNode& city = CityGroup(d);
             city.RemoveChild(city.Children().back().get());
             Add(city, "sparse", XMLNode::kElement, Id(d, "Sparse"))->SetSkipIfEmpty(true);
         }},
        {"a filter and German numbers",
         [](DVFile& d) {
             d.SetLocale("de_DE.UTF-8");
             CSCol& amount = d.Column(d.ColumnIndexByName("Amount"));
             amount.dataType = DataTypeProperties::kNumber;
             amount.thousands = true;
             amount.precision = 2;
             DVFilter& filter = d.Filters()[0];
             filter.SetColumnId(Id(d, "Note"));
             filter.SetOperator(DVFilter::kNotEquals);
             filter.SetValue("note");
         }},
        {"a footer that reads the last row",
         [](DVFile& d) {
             for (const auto& child : d.Root().Children()) {
                 if (child->GetScope() == XMLNode::kFooterScope) {
                     Add(*child, "last", XMLNode::kElement, Id(d, "City"));
                 }
             }
         }},
        {"groups that begin after the first row of their run",
         [](DVFile& d) {
             // Rows without a Sparse value skip the group: it begins later
             // and still holds them.
             XMLNode& city = CityGroup(d);
             while (!city.Children().empty()) {
                 city.RemoveChild(city.Children().back().get());
             }
             city.SetSkipIfEmpty(true);
             Add(city, "sparse", XMLNode::kElement, Id(d, "Sparse"));
         }},
        {"two grouped elements on one column",
         [](DVFile& d) {
             XMLNode* again = Add(d.Root(), "again");
             again->SetGroup(Id(d, "City"));
             Add(*again, "id", XMLNode::kElement, Id(d, "Id"));
         }},
        {"descending, header rows inside the group",
         [](DVFile& d) {
             d.SortOrders()[0]->descending = true;
             XMLNode& city = CityGroup(d);
             Add(city, "once", XMLNode::kElement, Id(d, "Id"))->SetScope(XMLNode::kHeaderScope);
         }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        DVFile definition = CitiesDefinition(dir, 211);
        c.change(definition);
        EXPECT_EQ(ExpectSameAtEveryThreadCount(SaveDefinition(definition, dir), c.what),
                  Pipeline::kGroupRecords)
            << c.what;
    }
}

TEST(ParallelRunTest, AFailureInAGroupWrittenApartEndsTheRunAsOneThreadDoes) {
    TinyBatches batches(2);
    TempDir dir;
    DVFile definition = CitiesDefinition(dir, 300);
    WriteFile(dir.File("cities.xsd"),
              "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
              "<xs:element name=\"document\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"header\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"first\"/></xs:sequence></xs:complexType></xs:element>"
              "<xs:element name=\"city\" maxOccurs=\"unbounded\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"row\" maxOccurs=\"unbounded\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"amount\" minOccurs=\"0\" type=\"xs:short\"/>"
              "<xs:element name=\"note\"/></xs:sequence>"
              "<xs:attribute name=\"id\" type=\"xs:integer\"/></xs:complexType></xs:element>"
              "</xs:sequence><xs:attribute name=\"name\"/></xs:complexType></xs:element>"
              "<xs:element name=\"footer\"/>"
              "</xs:sequence><xs:attribute name=\"generated\"/></xs:complexType></xs:element>"
              "</xs:schema>");
    definition.SetValidateSchema(dir.File("cities.xsd"));
    const std::string project = SaveDefinition(definition, dir);
    const Written validOne = RunWithThreads(project, 1);
    EXPECT_EQ(validOne.code, kSuccess) << validOne.detail;

    // A value the schema refuses deep in a later group: the same row named.
    std::string csv = CitiesCsv(300);
    csv.replace(csv.find("\n250,Lisboa,,250,"), 17, "\n250,Lisboa,,2x0,");
    WriteFile(dir.File("in.csv"), csv);
    const Written invalidOne = RunWithThreads(project, 1);
    EXPECT_EQ(invalidOne.code, kOutputInvalid);
    EXPECT_NE(invalidOne.detail.find("'2x0'"), std::string::npos) << invalidOne.detail;
    ExpectFailsAsOneThread(project, invalidOne, {3, 8}, Pipeline::kGroupRecords,
                           dir.File("out.xml"));

    // The disk filling up part way, and a cancel while groups are written.
    definition.SetValidateSchema("");
    SaveDefinition(definition, dir);
    Norvik::FileSink::FailWritesAfterForTesting(2000, ENOSPC);
    const Written full = RunWithThreads(project, 3);
    Norvik::FileSink::FailWritesAfterForTesting(0, 0);
    EXPECT_EQ(full.code, kTargetFileWrite);
    EXPECT_FALSE(fs::exists(dir.File("out.xml")));
    DVRun::SetProgressIntervalForTesting(0);
    const Written cancelled = RunWithThreads(project, 3, [](int32_t rows) { return rows < 50; });
    DVRun::SetProgressIntervalForTesting(-1);
    EXPECT_EQ(cancelled.code, kCancelled);
    EXPECT_FALSE(fs::exists(dir.File("out.xml")));
}
