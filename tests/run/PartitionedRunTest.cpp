// Runs in parts: a plan, every part and the merge give the bytes of the
// single run, however many parts (more than records too), with or without a
// plan; a part run twice gives the same bytes; a merge given missing,
// damaged, doubled, misplaced or foreign parts fails naming the part and
// writes nothing; definitions whose rows depend on the rows before them are
// refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "AwkwardDefinition.h"
#include "FixedEnvironment.h"
#include "PartsTestSupport.h"
#include "RunTestSupport.h"
#include "base/ResultCode.h"
#include "run/PartitionedRun.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

void FlipByte(const std::string& path, std::streamoff at) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(at);
    char byte = 0;
    file.get(byte);
    file.seekp(at);
    file.put(static_cast<char>(byte ^ 0x20));
}

}  // namespace

// The example groups rows sorted by their group column and counts them in
// its footer: its parts split between groups. Without its groups and sorting
// it runs in parts cut by bytes.
TEST(PartitionedRunTest, TheShippedExampleRunsInPartsGroupedAndUngrouped) {
    FixedEnvironment fixed;  // the example shows when it ran
    TempDir dir;
    const std::string project = SaveExample(dir);
    ExpectSameInParts(project, dir, "the example", {1, 2, 3, 4, 7, 20});

    DVFile definition;
    ASSERT_TRUE(definition.LoadProjectFile(project));
    for (auto& order : definition.SortOrders()) {
        order.reset();
    }
    struct Ungroup {
        static void Node(XMLNode& node) {
            node.SetGroup(0);
            for (const auto& child : node.Children()) {
                Node(*child);
            }
        }
    };
    Ungroup::Node(definition.Root());
    TempDir ungrouped;
    ExpectSameInParts(SaveDefinition(definition, ungrouped), ungrouped, "the example ungrouped");
}

TEST(PartitionedRunTest, AwkwardRowsInPartsAreTheSingleRun) {
    std::vector<AwkwardCase> cases = AwkwardCases();
    cases.push_back({"a declaration, end tags always, custom text", [](DVFile& d) {
                         d.SetAlwaysEmitEndTags(true);
                         d.SetCustomText("<!-- made in parts -->");
                     }});
    for (const AwkwardCase& c : cases) {
        TempDir dir;
        // More parts than records: the last parts are empty.
        ExpectSameInParts(AwkwardProject(dir, 41, c.change), dir, c.what, {1, 2, 3, 7, 60});
    }
}

TEST(PartitionedRunTest, SourcesWithoutRowsOrWithRowsOnlyLateGiveTheSingleRun) {
    {
        // No accepted row: no part holds a head, and no document is written.
        TempDir dir;
        DVFile definition = CsvDefinition(dir, AwkwardCsv(12), false);
        AddEverything(definition, false);
        definition.Column(definition.ColumnIndexByName("Id")).skipIfEmpty = true;
        WriteFile(dir.File("in.csv"), "Id,Name,Amount,When,Note\n,a,1,x,y\n,b,2,x,y\n");
        const std::string project = SaveDefinition(definition, dir);
        const Single single = RunOnce(project);
        ASSERT_EQ(single.code, kSuccess) << single.detail;
        const std::vector<std::string> files = WriteParts(project, dir.Path(), 3, false, "none");
        const Step merged = Merge(project, dir.File("merged.xml"), files);
        EXPECT_EQ(merged.code, kSuccess) << merged.message;
        EXPECT_EQ(merged.files.size(), single.files.size());
        EXPECT_FALSE(fs::exists(dir.File("merged.xml")));
    }
    {
        // The first accepted row lies in the last part: it carries the head.
        TempDir dir;
        std::string csv = "Id,Name,Amount,When,Note\n";
        for (int i = 0; i < 30; ++i) {
            csv += ",skipped " + std::to_string(i) + ",1,x,y\n";
        }
        csv += "7,kept,2,x,y\n8,kept too,3,x,y\n";
        DVFile definition = CsvDefinition(dir, csv, false);
        AddEverything(definition, false);
        definition.Column(definition.ColumnIndexByName("Id")).skipIfEmpty = true;
        ExpectSameInParts(SaveDefinition(definition, dir), dir, "late rows", {2, 3, 7, 40});
    }
    {
        // The first row writes nothing inside the document element: the part
        // holding it alone must still close the element's start tag.
        TempDir dir;
        DVFile definition = CsvDefinition(dir, "Id,Name\n1,\n2,b\n3,\n4,d\n", false);
        Add(definition.Root(), "generated", XMLNode::kAttribute)->SetValue("{SOURCEFILE}");
        Add(definition.Root(), "name", XMLNode::kElement, Id(definition, "Name"))
            ->SetSkipIfEmpty(true);
        ExpectSameInParts(SaveDefinition(definition, dir), dir, "an empty first row", {2, 3, 4, 9});
    }
}

// Random trees over random columns: every one the partition accepts gives
// the single run's bytes; the others are refused with the reason.
TEST(PartitionedRunTest, RandomDefinitionsInPartsAreTheSingleRunOrRefused) {
    RandomAwkward random(20261210);
    const auto chance = [&random](int percent) { return random.Chance(percent); };
    const char* columns[] = {"Id", "Name", "Amount", "When", "Note"};
    int accepted = 0;
    int refused = 0;
    for (int round = 0; round < 40; ++round) {
        TempDir dir;
        DVFile definition = random.Definition(dir, 20, 30);
        if (chance(25)) {
            definition.Column(definition.ColumnIndexByName("Amount")).skipIfZero = true;
        }
        const auto column = [&] { return random.Column(definition); };
        // What the rows before decide: sorting, first and last rows, values
        // carried over, duplicates, a document per row or per key.
        const bool sorted = chance(45);
        if (sorted) {
            definition.SortOrders()[0] = SortOrder{column(), chance(40)};
            if (chance(50)) {
                definition.SortOrders()[1] = SortOrder{column(), chance(50)};
            }
        }
        if (chance(15)) {
            definition.SetFirstRow(1 + static_cast<int32_t>(random.Next() % 6));
            definition.SetLastRow(chance(50) ? 10 + static_cast<int32_t>(random.Next() % 20) : 0);
        }
        if (chance(15)) {
            definition.Column(definition.ColumnIndexByName(columns[random.Next() % 5]))
                .useLastIfEmpty = true;
        }
        if (chance(10)) {
            definition.Column(definition.ColumnIndexByName(columns[random.Next() % 5]))
                .skipIfDuplicate = true;
        }
        if (chance(10)) {
            definition.SetFilePerRow(true);
        } else if (sorted && chance(10)) {
            definition.SetFilePerColValueId(definition.SortOrders()[0]->columnId);
        }
        XMLNode& root = definition.Root();
        if (sorted && chance(50)) {
            XMLNode* group = Add(root, "group");
            group->SetGroup(definition.SortOrders()[0]->columnId);
            Add(*group, "key", XMLNode::kAttribute, definition.SortOrders()[0]->columnId);
            Add(*group, "member", XMLNode::kElement, column());
        }
        random.AddElements(definition, 4, 0);
        const std::string project = SaveDefinition(definition, dir);
        const std::string what = "random definition " + std::to_string(round);
        // A plan says whether it runs in parts, and writes no document.
        const Step probe = Plan(project, dir.File("probe.plan"), 2);
        if (probe.code == kParts) {
            ++refused;
            EXPECT_NE(probe.detail.find("cannot run in parts"), std::string::npos) << what;
            continue;
        }
        ++accepted;
        ExpectSameInParts(project, dir, what, {1, 2, 3, 7, 80});
    }
    EXPECT_GT(accepted, 20) << "too few random definitions ran in parts";
    EXPECT_GT(refused, 0) << "no random definition was refused";
}

TEST(PartitionedRunTest, APartRunTwiceGivesTheSameBytes) {
    TempDir dir;
    const std::string project = AwkwardProject(dir, 50, FormatColumns);
    for (int32_t k = 0; k < 3; ++k) {
        ASSERT_EQ(Part(project, dir.File("a.part"), k, 3).code, kSuccess);
        ASSERT_EQ(Part(project, dir.File("b.part"), k, 3).code, kSuccess);
        EXPECT_EQ(ReadFile(dir.File("a.part")), ReadFile(dir.File("b.part"))) << "part " << k;
    }
}

TEST(PartitionedRunTest, AMergeOfWrongPartsFailsNamingThemAndWritesNothing) {
    TempDir dir;
    const std::string project = AwkwardProject(dir, 60, [](DVFile&) {});
    const std::vector<std::string> parts = WriteParts(project, dir.Path(), 3, false, "parts");
    const std::string damaged = dir.File("damaged.part");
    fs::copy_file(parts[1], damaged);
    FlipByte(damaged, 700);
    const std::string cut = dir.File("cut.part");
    fs::copy_file(parts[2], cut);
    fs::resize_file(cut, fs::file_size(cut) - 5);
    const std::string header = dir.File("header.part");
    fs::copy_file(parts[1], header);
    FlipByte(header, 3);
    // Parts of the same definition over another source.
    TempDir other;
    DVFile otherDefinition;
    ASSERT_TRUE(otherDefinition.LoadProjectFile(project));
    WriteFile(other.File("in.csv"), AwkwardCsv(61));
    otherDefinition.SetSourceFileName(other.File("in.csv"));
    const std::string otherProject = SaveDefinition(otherDefinition, other);
    const std::string foreign = dir.File("foreign.part");
    ASSERT_EQ(Part(otherProject, foreign, 1, 3).code, kSuccess);
    const std::string ofTwo = dir.File("oftwo.part");
    ASSERT_EQ(Part(project, ofTwo, 1, 2).code, kSuccess);

    const struct {
        const char* what;
        std::vector<std::string> files;
        std::string named;  // in the message
    } cases[] = {
        {"a part missing", {parts[0], parts[2]}, "part 1 of 3 is missing"},
        {"a file missing", {parts[0], dir.File("nowhere.part"), parts[2]}, "nowhere.part"},
        {"a damaged byte", {parts[0], damaged, parts[2]}, "damaged.part"},
        {"a cut file", {parts[0], parts[1], cut}, "cut.part"},
        {"a damaged header", {parts[0], header, parts[2]}, "header.part"},
        {"a part twice", {parts[0], parts[1], parts[1], parts[2]}, "both part 1 of 3"},
        {"parts out of order", {parts[0], parts[2], parts[1]}, "give the parts in order"},
        {"a part of another source", {parts[0], foreign, parts[2]}, "foreign.part"},
        {"a part of another cut", {parts[0], ofTwo, parts[2]}, "oftwo.part"},
        {"no parts", {}, "No part files"},
    };
    for (const auto& c : cases) {
        const std::string target = dir.File("merged.xml");
        const Step merged = Merge(project, target, c.files);
        EXPECT_EQ(merged.code, kParts) << c.what << ": " << merged.message;
        EXPECT_NE(merged.message.find(c.named), std::string::npos)
            << c.what << ": " << merged.message;
        EXPECT_FALSE(fs::exists(target)) << c.what;
    }
    // A plan of another definition or count is refused too.
    ASSERT_EQ(Plan(project, dir.File("run.plan"), 3).code, kSuccess);
    const Step wrongCount = Part(project, dir.File("x.part"), 0, 4, dir.File("run.plan"));
    EXPECT_EQ(wrongCount.code, kParts);
    EXPECT_NE(wrongCount.detail.find("3 parts, not 4"), std::string::npos) << wrongCount.detail;
    const Step foreignPlan = Part(otherProject, dir.File("x.part"), 0, 3, dir.File("run.plan"));
    EXPECT_EQ(foreignPlan.code, kParts);
    EXPECT_FALSE(fs::exists(dir.File("x.part")));
    EXPECT_EQ(Part(project, dir.File("x.part"), 3, 3).code, kInvalidArgument);
}

// Rows numbered, counted from a first row, carrying last values, skipping
// duplicates by column or reading the last row in the footer: each part reads
// the rows before its share as the single run does, writing nothing of them.
TEST(PartitionedRunTest, RowsThatDependOnTheRowsBeforeRunInParts) {
    for (const AwkwardCase& c : RememberingCases()) {
        TempDir dir;
        ExpectSameInParts(AwkwardProject(dir, 45, c.change), dir, c.what, {1, 2, 3, 7, 50});
    }
}

TEST(PartitionedRunTest, DefinitionsWhoseWriterRemembersRowsAreRefused) {
    const struct {
        const char* what;
        void (*change)(DVFile&);
        const char* reason;
    } cases[] = {
        {"groups of an unsorted source",
         [](DVFile& d) { Add(d.Root(), "g")->SetGroup(Id(d, "Name")); }, "unsorted"},
        {"a node that skips duplicates",
         [](DVFile& d) {
             Add(d.Root(), "n", XMLNode::kElement, Id(d, "Name"))->SetSkipIfDuplicate(true);
         },
         "rows before"},
        {"running numbers", [](DVFile& d) { Add(d.Root(), "n")->SetValue("{ID}"); }, "{ID}"},
        {"the target's name", [](DVFile& d) { Add(d.Root(), "n")->SetValue("{TARGETFILE}"); },
         "{TARGETFILE}"},
        {"groups by a later sort key",
         [](DVFile& d) {
             d.SortOrders()[0] = SortOrder{Id(d, "Amount"), false};
             d.SortOrders()[1] = SortOrder{Id(d, "Name"), false};
             Add(d.Root(), "g")->SetGroup(Id(d, "Name"));
         },
         "other than its first sort key"},
        {"documents per value of a later sort key",
         [](DVFile& d) {
             d.SortOrders()[0] = SortOrder{Id(d, "Amount"), false};
             d.SetFilePerColValueId(Id(d, "Name"));
         },
         "document per value"},
        {"sorted documents counting rows in their footers",
         [](DVFile& d) {
             d.SortOrders()[0] = SortOrder{Id(d, "Name"), false};
             d.SetFilePerRow(true);
             XMLNode* footer = Add(d.Root(), "count");
             footer->SetScope(XMLNode::kFooterScope);
             footer->SetValue("{ROW}");
         },
         "the row after them"},
        {"an encoding with state", [](DVFile& d) { d.SetEncoding("ISO-2022-JP"); }, "encoding"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        DVFile definition = CsvDefinition(dir, AwkwardCsv(10), false);
        AddEverything(definition, false);
        c.change(definition);
        const std::string project = SaveDefinition(definition, dir);
        for (const Step& step :
             {Plan(project, dir.File("run.plan"), 2), Part(project, dir.File("run.part"), 0, 2),
              Merge(project, dir.File("merged.xml"), {dir.File("run.part")})}) {
            EXPECT_EQ(step.code, kParts) << c.what;
            EXPECT_NE(step.message.find("cannot be split into parts"), std::string::npos)
                << c.what << ": " << step.message;
            EXPECT_NE(step.detail.find(c.reason), std::string::npos)
                << c.what << ": " << step.detail;
        }
        EXPECT_TRUE(fs::directory_entry(dir.File("run.plan")).exists() == false) << c.what;
    }
}

TEST(PartitionedRunTest, AMergeValidatesAndNamesTheRowAsTheSingleRunDoes) {
    TempDir dir;
    std::string csv = "Id,Name,Note\n";
    for (int i = 0; i < 90; ++i) {
        csv += (i == 71 ? std::string("x") : std::to_string(i)) + ",n,t\n";
    }
    DVFile definition = CsvDefinition(dir, csv);
    ValidateGeneratedRows(definition, dir);
    const std::string project = SaveDefinition(definition, dir);
    const Single single = RunOnce(project);
    ASSERT_EQ(single.code, kOutputInvalid);
    ASSERT_NE(single.detail.find("source row 72"), std::string::npos) << single.detail;
    const std::vector<std::string> parts = WriteParts(project, dir.Path(), 4, false, "valid");
    const Step merged = Merge(project, dir.File("merged.xml"), parts);
    EXPECT_EQ(merged.code, kOutputInvalid) << merged.message;
    EXPECT_EQ(merged.detail, single.detail);
    EXPECT_FALSE(fs::exists(dir.File("merged.xml")));
}

// The merge writes through the normal output path: the stylesheet and the
// compression of the target apply to the joined document.
TEST(PartitionedRunTest, AMergeTransformsAndCompressesAsTheSingleRunDoes) {
    TempDir dir;
    WriteFile(dir.File("t.xsl"),
              R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" encoding="utf-8" indent="no"/>
  <xsl:template match="/document">
    <items n="{count(row)}"><xsl:for-each select="row"><item id="{Id}"/></xsl:for-each></items>
  </xsl:template>
</xsl:stylesheet>)");
    for (const char* target : {"out.xml", "out.xml.gz", "out.xml.zst"}) {
        DVFile definition = CsvDefinition(dir, GeneratedCsv(120));
        definition.SetXslTransform(dir.File("t.xsl"));
        definition.SetTargetFileName(dir.File(target));
        const std::string project = SaveDefinition(definition, dir);
        const Single single = RunOnce(project);
        ASSERT_EQ(single.code, kSuccess) << target << ": " << single.detail;
        const std::vector<std::string> parts = WriteParts(project, dir.Path(), 3, true, target);
        const std::string merged = dir.File(std::string("merged-") + target);
        const Step step = Merge(project, merged, parts);
        ASSERT_EQ(step.code, kSuccess) << target << ": " << step.message;
        EXPECT_EQ(ReadFile(merged), single.files.at(0)) << target;
    }
}

// A record that cannot be read fails the part holding it as it fails the
// single run, naming the same line; the other parts are not affected.
TEST(PartitionedRunTest, AnUnreadableRecordFailsItsPartAsItFailsTheSingleRun) {
    TempDir dir;
    std::string csv = AwkwardCsv(40);
    csv += "99,\"never closed,1,2024-01-01,x\n";
    DVFile definition = CsvDefinition(dir, AwkwardCsv(40), false);
    definition.SetQuotedLineBreaks(true);
    AddEverything(definition, false);
    WriteFile(dir.File("in.csv"), csv);
    const std::string project = SaveDefinition(definition, dir);
    const Single single = RunOnce(project);
    ASSERT_EQ(single.code, kSourceRecord) << single.detail;
    const Step first = Part(project, dir.File("p0.part"), 0, 3);
    EXPECT_EQ(first.code, kSuccess) << first.message;
    const Step last = Part(project, dir.File("p2.part"), 2, 3);
    EXPECT_EQ(last.code, single.code);
    EXPECT_EQ(last.detail, single.detail);
    EXPECT_FALSE(fs::exists(dir.File("p2.part")));
}
