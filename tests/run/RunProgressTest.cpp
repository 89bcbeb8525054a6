// A run keeps its caller informed, and can be cancelled, while it reads
// records without writing any: sorting them, or rejecting them by filters.
#include <gtest/gtest.h>

#include <filesystem>

#include "RunTestSupport.h"
#include "base/ResultCode.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// Reports at every look at the clock while alive.
class EveryLook {
public:
    EveryLook() { DVRun::SetProgressIntervalForTesting(0); }
    ~EveryLook() { DVRun::SetProgressIntervalForTesting(-1); }
};

DVFile Definition(const TempDir& dir, int rows) {
    std::string csv = "Key,Value\n";
    for (int i = 0; i < rows; ++i) {
        csv += std::to_string((i * 7919) % rows) + ",v" + std::to_string(i) + "\n";
    }
    DVFile definition = CsvDefinition(dir, csv);
    definition.SetIndentOutput(false);
    return definition;
}

}  // namespace

TEST(RunProgressTest, SortingReportsAndCancels) {
    EveryLook often;
    TempDir dir;
    DVFile definition = Definition(dir, 20000);
    definition.Column(0).dataType = DataTypeProperties::kNumber;
    definition.SortOrders()[0] = SortOrder{Id(definition, "Key"), false};
    const std::string project = SaveDefinition(definition, dir);

    // Reads are reported while the sort index is built, before any row.
    DVRun run;
    run.SetDefinitionPath(project);
    ASSERT_TRUE(run.LoadDefinition());
    std::vector<int64_t> read;
    run.SetReadProgress([&read](int64_t records) {
        read.push_back(records);
        return true;
    });
    ASSERT_EQ(run.Run([](int32_t) { return true; }), kSuccess) << run.GetDetailText();
    ASSERT_GE(read.size(), 10u);
    EXPECT_TRUE(std::is_sorted(read.begin(), read.end()));

    // A cancel answered while sorting ends the run with nothing written.
    fs::remove(dir.File("out.xml"));
    int calls = 0;
    const RunOutcome cancelled = RunProject(project, [&calls](int32_t rows) {
        EXPECT_LE(rows, 0);  // no row has been written yet
        return ++calls < 4;
    });
    EXPECT_EQ(cancelled.code, kCancelled);
    EXPECT_EQ(calls, 4);
    EXPECT_FALSE(fs::exists(dir.File("out.xml")));
}

TEST(RunProgressTest, RowsAFilterRejectsStillReportAndCancel) {
    EveryLook often;
    TempDir dir;
    DVFile definition = Definition(dir, 30000);
    DVFilter& filter = definition.Filters()[0];
    filter.SetColumnId(Id(definition, "Value"));
    filter.SetOperator(DVFilter::kEquals);
    filter.SetValue("v29999");
    const std::string project = SaveDefinition(definition, dir);

    int calls = 0;
    const RunOutcome whole = RunProject(project, [&calls](int32_t) {
        ++calls;
        return true;
    });
    EXPECT_EQ(whole.code, kSuccess) << whole.detail;
    EXPECT_GT(calls, 20);  // one row written, yet reports all along

    fs::remove(dir.File("out.xml"));
    calls = 0;
    const RunOutcome cancelled = RunProject(project, [&calls](int32_t) { return ++calls < 5; });
    EXPECT_EQ(cancelled.code, kCancelled);
    EXPECT_FALSE(fs::exists(dir.File("out.xml")));
}

TEST(RunProgressTest, AGroupsRowsReportAsTheyAreRead) {
    EveryLook often;
    TempDir dir;
    std::string csv = "Group,Value\n";
    for (int i = 0; i < 20000; ++i) {
        csv += "all,v" + std::to_string(i) + "\n";
    }
    DVFile definition = CsvDefinition(dir, csv, false);
    // One group holding every row, read from the sorted runs in one go.
    XMLNode* group = Add(definition.Root(), "all", XMLNode::kElement, Id(definition, "Group"));
    group->SetGroup(Id(definition, "Group"));
    definition.SortOrders()[0] = SortOrder{Id(definition, "Group"), false};
    Add(*group, "v", XMLNode::kElement, Id(definition, "Value"));
    const std::string project = SaveDefinition(definition, dir);

    // The first row writes the whole group: reports come while it does.
    int duringGroup = 0;
    const RunOutcome whole = RunProject(project, [&duringGroup](int32_t rows) {
        duringGroup += rows == 1 ? 1 : 0;
        return true;
    });
    EXPECT_EQ(whole.code, kSuccess) << whole.detail;
    EXPECT_GT(duringGroup, 5);

    fs::remove(dir.File("out.xml"));
    int calls = 0;
    const RunOutcome cancelled =
        RunProject(project, [&calls](int32_t rows) { return rows != 1 || ++calls < 3; });
    EXPECT_EQ(cancelled.code, kCancelled);
    EXPECT_FALSE(fs::exists(dir.File("out.xml")));
}
