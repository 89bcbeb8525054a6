#include "sources/FixedWidthTextFileDataSource.h"

#include <gtest/gtest.h>

#include "TextSourceTestSupport.h"

using namespace testsupport;

namespace {

using Names = std::vector<std::string>;

std::vector<int32_t> Widths(const DVFile& definition) {
    std::vector<int32_t> widths;
    for (const CSCol& column : definition.Columns()) {
        widths.push_back(column.width);
    }
    return widths;
}

TEST(FixedWidthTextFileDataSourceTest, DetectsColumnsFromTheFirstLine) {
    const std::tuple<const char*, std::vector<int32_t>> cases[] = {
        {"AB  CD  EF", {4, 4, 2}},
        {"ABCDEF", {6}},
        {"A B C", {5}},          // single spaces do not end a column
        {"   AB   CD", {8, 2}},  // leading spaces belong to the first column
        {"AB    ", {6}},
    };
    for (const auto& [line, widths] : cases) {
        DVFile definition;
        definition.SetAutoAddNodes(false);
        FixedWidthTextFileDataSource::DetectColumns(line, definition);
        EXPECT_EQ(Widths(definition), widths) << line;
        EXPECT_EQ(definition.Column(0).name, "col001");
    }
}

TEST(FixedWidthTextFileDataSourceTest, WithoutHeaderTheFirstLineIsData) {
    TempDir dir;
    DVFile definition =
        TextDefinition(dir, "AB  CD  EF\nxy  12  z\n", DVFileSettings::kFixedWidthText);
    EXPECT_FALSE(definition.Settings().firstrowhascolnames);
    EXPECT_EQ(ColumnNames(definition), (Names{"col001", "col002", "col003"}));
    EXPECT_EQ(ReadAll(definition), (Table{{"AB", "CD", "EF"}, {"xy", "12", "z"}}));
}

TEST(FixedWidthTextFileDataSourceTest, HeaderNamesRenameColumnsAndTheirNodes) {
    TempDir dir;
    const std::string path = dir.File("h.txt");
    WriteFile(path,
              "Code  Name      Qty\nA1    Widget    \xC3\xA9"
              "5\nB2    Gear\n");
    DVFile definition;
    definition.SetSourceType(DVFileSettings::kFixedWidthText);
    definition.SetFirstRowHasColNames(true);
    definition.SetSourceFileName(path);
    ReadColumns(definition);  // detects col001.. and adds their nodes
    EXPECT_EQ(ColumnNames(definition), (Names{"Code", "Name", "Qty"}));
    const XMLNode* row = definition.Root().GetChild(0);
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->ChildCount(), 3u);
    EXPECT_EQ(row->GetChild(0)->GetName(), "Code");  // renamed with its column
    EXPECT_EQ(row->GetChild(2)->GetSource(), definition.Column(2).id);
    // Widths count characters: the é takes one position.
    EXPECT_EQ(ReadAll(definition), (Table{{"A1", "Widget",
                                           "\xC3\xA9"
                                           "5"},
                                          {"B2", "Gear", ""}}));

    // A node named otherwise keeps its name.
    definition.Root().GetChild(0)->GetChild(1)->SetName("Title");
    ReadAll(definition);
    EXPECT_EQ(definition.Root().GetChild(0)->GetChild(1)->GetName(), "Title");
}

TEST(FixedWidthTextFileDataSourceTest, ColumnsAreFittedToTheFirstLine) {
    TempDir dir;
    const std::string path = dir.File("f.txt");
    WriteFile(path, "abcdefghij\n");
    DVFile definition;
    definition.SetSourceType(DVFileSettings::kFixedWidthText);
    definition.SetAutoAddNodes(false);
    for (int32_t width : {4, 0, 5, 3}) {
        CSCol column;
        column.width = width;
        definition.AddColumn(column);
    }
    definition.SetSourceFileName(path);
    EXPECT_EQ(Widths(definition), (std::vector<int32_t>{4, 0, 5, 3}));
    // Opening fits them: 4 + 4 (a width of 0 counts as 4) + 2 (cut to the
    // line) = 10; the last column goes.
    EXPECT_EQ(ReadAll(definition), (Table{{"abcd", "efgh", "ij"}}));
    EXPECT_EQ(Widths(definition), (std::vector<int32_t>{4, 4, 2}));
}

TEST(FixedWidthTextFileDataSourceTest, ShortLinesAndQuotes) {
    TempDir dir;
    DVFile definition =
        TextDefinition(dir, "AAAA  BBBB  CC\n'x'   \"y\"\nz\n", DVFileSettings::kFixedWidthText);
    EXPECT_EQ(ReadAll(definition), (Table{{"AAAA", "BBBB", "CC"}, {"x", "y", ""}, {"z", "", ""}}));
    int32_t code = 0;
    DVFile none;
    none.SetSourceType(DVFileSettings::kFixedWidthText);
    none.SetSourceFileName(dir.File("missing.txt"));
    ReadAll(none, &code);
    EXPECT_EQ(code, kNoColumns);
}

}  // namespace
