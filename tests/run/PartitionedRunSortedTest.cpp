// Sorted and grouped definitions in parts: the plan splits the first sort
// key's range (ascending or descending, text, number or date) between
// distinct keys; every part and the merge give the single run's bytes,
// groups on the first key included, also with more parts than keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "AwkwardDefinition.h"
#include "PartsTestSupport.h"
#include "RunTestSupport.h"
#include "base/ResultCode.h"
#include "run/PartitionPlan.h"
#include "sort/SortKey.h"

using namespace testsupport;

namespace {

// A sort of the awkward rows.
struct SortCase {
    const char* what;
    void (*sort)(DVFile&);
};

std::vector<SortCase> SortCases() {
    return {
        {"by name",
         [](DVFile& d) {
             d.SortOrders()[0] = SortOrder{Id(d, "Name"), false};
         }},
        {"by name descending, then id",
         [](DVFile& d) {
             d.SortOrders()[0] = SortOrder{Id(d, "Name"), true};
             d.SortOrders()[1] = SortOrder{Id(d, "Id"), false};
         }},
        {"by amount (a number) descending",
         [](DVFile& d) {
             d.Column(d.ColumnIndexByName("Amount")).dataType = DataTypeProperties::kNumber;
             d.SortOrders()[0] = SortOrder{Id(d, "Amount"), true};
         }},
        {"by date, formatted",
         [](DVFile& d) {
             FormatColumns(d);
             d.SortOrders()[0] = SortOrder{Id(d, "When"), false};
         }},
    };
}

// A group element on the first sort key, with the rows of its group.
void GroupByFirstKey(DVFile& d) {
    const int32_t key = d.SortOrders()[0]->columnId;
    XMLNode* group = Add(d.Root(), "group");
    group->SetGroup(key);
    Add(*group, "key", XMLNode::kAttribute, key);
    XMLNode* member = Add(*group, "member");
    Add(*member, "id", XMLNode::kAttribute, Id(d, "Id"));
    Add(*member, "note", XMLNode::kElement, Id(d, "Note"));
}

std::string SortedProject(const TempDir& dir, size_t rows, const SortCase& sort,
                          void (*change)(DVFile&), bool grouped) {
    DVFile definition = CsvDefinition(dir, AwkwardCsv(rows), false);
    definition.SetQuotedLineBreaks(true);
    AddEverything(definition, false);
    sort.sort(definition);
    change(definition);
    if (grouped) {
        GroupByFirstKey(definition);
    }
    return SaveDefinition(definition, dir);
}

}  // namespace

TEST(PartitionedRunSortedTest, SortedRowsInPartsAreTheSingleRun) {
    std::vector<AwkwardCase> cases = AwkwardCases();
    for (const AwkwardCase& c : RememberingCases()) {
        cases.push_back(c);
    }
    for (const SortCase& sort : SortCases()) {
        for (const AwkwardCase& c : cases) {
            TempDir dir;
            const std::string what = std::string(sort.what) + ", " + c.what;
            ExpectSameInParts(SortedProject(dir, 43, sort, c.change, false), dir, what,
                              {1, 2, 3, 7});
        }
    }
}

// A group never spans two parts: its element, written with the first row of
// its value, lists the rows the sorted source serves it (or, with rows
// skipped by rules, the rows kept for it), in every part as in one run.
TEST(PartitionedRunSortedTest, GroupsOnTheFirstSortKeyInPartsAreTheSingleRun) {
    const AwkwardCase cases[] = {
        {"rows served by the sorted source", [](DVFile&) {}},
        {"rows kept for the groups (rows skipped by rules)",
         [](DVFile& d) { d.Column(d.ColumnIndexByName("Amount")).skipIfZero = true; }},
        {"numbered rows, a first row",
         [](DVFile& d) {
             d.SetFirstRow(3);
             Add(d.Root(), "n")->SetValue("{ROW}");
         }},
        {"a document per group",
         [](DVFile& d) { d.SetFilePerColValueId(d.SortOrders()[0]->columnId); }},
        {"indented UTF-16", [](DVFile& d) {
             d.SetIndentOutput(true);
             d.SetEncoding("UTF-16");
         }}};
    for (const SortCase& sort : {SortCases()[0], SortCases()[1]}) {
        for (const AwkwardCase& c : cases) {
            TempDir dir;
            const std::string what = std::string(sort.what) + ", grouped, " + c.what;
            ExpectSameInParts(SortedProject(dir, 50, sort, c.change, true), dir, what,
                              {1, 2, 3, 7, 12});
        }
    }
}

// Eight names and an empty one: more parts than keys leaves the first parts
// empty, and the last holds the last key.
TEST(PartitionedRunSortedTest, MorePartsThanKeysLeaveTheFirstPartsEmpty) {
    TempDir dir;
    const std::string project = SortedProject(
        dir, 30, SortCases()[0], [](DVFile&) {}, true);
    ExpectSameInParts(project, dir, "few keys", {9, 20});
    ASSERT_EQ(Plan(project, dir.File("run.plan"), 20).code, kSuccess);
    PartitionPlan plan;
    ASSERT_TRUE(plan.Parse(ReadFile(dir.File("run.plan"))));
    ASSERT_EQ(plan.kind, PartitionPlan::Kind::kKeys);
    ASSERT_EQ(plan.ranges.size(), 20u);
    EXPECT_TRUE(plan.ranges.front().low.empty() && plan.ranges.front().high.empty());
    EXPECT_TRUE(plan.ranges.back().unbounded);
    // The splits are first keys of the rows, in the key's order: the names.
    std::vector<std::string> splits;
    for (const PartitionPlan::Range& range : plan.ranges) {
        if (!range.low.empty()) {
            splits.push_back(range.low);
        }
    }
    EXPECT_LE(splits.size(), 8u);
    EXPECT_TRUE(std::is_sorted(splits.begin(), splits.end()));
    std::string smith;
    SortKey::AppendText(smith, "smith & sons", false);
    EXPECT_NE(std::find(splits.begin(), splits.end(), smith), splits.end());
}

TEST(PartitionedRunSortedTest, PlansReadBackAndRefuseDamage) {
    std::vector<std::string> sample;
    for (const char* name : {"b", "a", "d", "c", "c", "e"}) {
        std::string key;
        SortKey::AppendText(key, name, true);
        sample.push_back(key);
    }
    PartitionPlan plan;
    plan.fingerprint = 0x1234abcd;
    PartitionPlan::CutKeys(sample, 3, plan);
    ASSERT_EQ(plan.ranges.size(), 3u);
    // Descending keys: the first part holds the last names.
    std::string e;
    SortKey::AppendText(e, "e", true);
    EXPECT_TRUE(plan.ranges[0].HoldsKey(e));
    PartitionPlan read;
    ASSERT_TRUE(read.Parse(plan.Text()));
    EXPECT_EQ(read.Text(), plan.Text());
    EXPECT_EQ(read.fingerprint, plan.fingerprint);

    PartitionPlan rows;
    PartitionPlan::CutRows(10, 4, rows);
    ASSERT_TRUE(read.Parse(rows.Text()));
    EXPECT_EQ(read.ranges.back().end, 10);
    EXPECT_EQ(read.ranges[1].begin, read.ranges[0].end);

    std::string text = plan.Text();
    const std::string gap = text.substr(0, text.rfind("keys")) + "keys 00 *\n";
    for (const std::string& bad :
         {std::string(), text.substr(0, text.size() - 4), gap, text + "keys - *\n",
          std::string("datavane-plan 1\n") + text.substr(text.find('\n') + 1)}) {
        EXPECT_FALSE(read.Parse(bad)) << bad;
    }
}

// The footer with the count sits in the last part: a part missing or damaged
// anywhere fails the merge, naming it, and nothing is written.
TEST(PartitionedRunSortedTest, SortedPartsRunTwiceAlikeAndWrongOnesFailTheMerge) {
    TempDir dir;
    const std::string project = SortedProject(
        dir, 60, SortCases()[1],
        [](DVFile& d) {
            XMLNode* footer = Add(d.Root(), "count");
            footer->SetScope(XMLNode::kFooterScope);
            footer->SetValue("{ROW}");
        },
        true);
    const std::vector<std::string> parts = WriteParts(project, dir.Path(), 3, true, "sorted");
    for (int32_t k = 0; k < 3; ++k) {
        ASSERT_EQ(Part(project, dir.File("again.part"), k, 3, dir.File("run.plan")).code, kSuccess);
        EXPECT_EQ(ReadFile(dir.File("again.part")), ReadFile(parts[static_cast<size_t>(k)]))
            << "part " << k;
    }
    const std::string damaged = dir.File("damaged.part");
    std::filesystem::copy_file(parts[2], damaged);
    std::string bytes = ReadFile(damaged);
    bytes[bytes.size() - 3] ^= 0x20;
    WriteFile(damaged, bytes);
    const struct {
        const char* what;
        std::vector<std::string> files;
        std::string named;
    } cases[] = {
        {"the last part missing", {parts[0], parts[1]}, "part 2 of 3 is missing"},
        {"the last part damaged", {parts[0], parts[1], damaged}, "damaged.part"},
        {"parts out of order", {parts[1], parts[0], parts[2]}, "give the parts in order"},
    };
    for (const auto& c : cases) {
        const Step merged = Merge(project, dir.File("merged.xml"), c.files);
        EXPECT_EQ(merged.code, kParts) << c.what;
        EXPECT_NE(merged.message.find(c.named), std::string::npos)
            << c.what << ": " << merged.message;
        EXPECT_FALSE(std::filesystem::exists(dir.File("merged.xml"))) << c.what;
    }
    ASSERT_EQ(Merge(project, dir.File("merged.xml"), parts).code, kSuccess);
    EXPECT_EQ(ReadFile(dir.File("merged.xml")), RunOnce(project).files.at(0));
}
