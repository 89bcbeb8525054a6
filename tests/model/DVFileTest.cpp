#include "model/DVFile.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

TEST(DVFileTest, StartsInTheDefaultState) {
    DVFile definition;
    const DVFileSettings& s = definition.Settings();
    EXPECT_EQ(s, DVFileSettings());
    EXPECT_EQ(s.delimiter, ",");
    EXPECT_EQ(s.encoding, "utf-16");
    EXPECT_EQ(s.firstOutputId, 1);
    EXPECT_TRUE(s.firstrowhascolnames && s.removequotes && s.trimspace && s.isstylesheetxsl);
    EXPECT_TRUE(s.autoaddnodes && s.autolinknodes && s.indentOutput);
    EXPECT_TRUE(s.includeXmlDeclaration && s.includeStandaloneProperty);
    EXPECT_FALSE(s.autoremovenodes || s.fileperrow || s.alwaysemitendtags);
    ASSERT_EQ(definition.Filters().size(), 3u);
    for (const DVFilter& filter : definition.Filters()) {
        EXPECT_TRUE(filter.SameSettings(DVFilter()));
        EXPECT_TRUE(filter.IsAnd());
    }
    for (const auto& slot : definition.SortOrders()) {
        EXPECT_FALSE(slot);
    }
    EXPECT_EQ(definition.Root().GetName(), "document");
    EXPECT_EQ(definition.Root().ChildCount(), 0u);
    EXPECT_TRUE(definition.Columns().empty());
}

TEST(DVFileTest, SettersReportChangeAndStripQuotes) {
    DVFile definition;
    EXPECT_TRUE(definition.SetEncoding("utf-8"));
    EXPECT_FALSE(definition.SetEncoding("utf-8"));
    EXPECT_TRUE(definition.SetFirstRow(3));
    EXPECT_FALSE(definition.SetFirstRow(3));

    const std::pair<const char*, const char*> names[] = {
        {"\"/data/in.csv\"", "/data/in.csv"},
        {"'/data/in.csv'", "/data/in.csv"},
        {"\"/data/in.csv", "/data/in.csv"},
        {"/data/in.csv\"", "/data/in.csv\""},  // only a leading quote starts the stripping
        {"\"", ""},
        {"'a\"", "a"},
    };
    for (const auto& [in, out] : names) {
        DVFile fresh;
        fresh.SetSourceFileName(in);
        EXPECT_EQ(fresh.Settings().sourcefilename, out) << in;
        fresh.SetTargetFileName(in);
        EXPECT_EQ(fresh.Settings().targetfilename, out) << in;
    }
    EXPECT_TRUE(definition.SetDelimiter("\t"));
    EXPECT_TRUE(definition.SetDelimiter(""));
    EXPECT_EQ(definition.Settings().delimiter, ",");
    EXPECT_FALSE(definition.SetDelimiter(""));
}

TEST(DVFileTest, SourceTypeResetsTheDefinition) {
    DVFile definition;
    definition.SetEncoding("utf-8");
    definition.AddColumn(CSCol("a"));
    definition.Root().AddChild("row", XMLNode::kElement);
    definition.SortOrders()[0] = SortOrder{5, true};
    EXPECT_TRUE(definition.SetSourceType(DVFileSettings::kFixedWidthText));
    EXPECT_EQ(definition.Settings().sourcetype, DVFileSettings::kFixedWidthText);
    EXPECT_FALSE(definition.Settings().firstrowhascolnames);
    EXPECT_EQ(definition.Settings().encoding, "utf-16");
    EXPECT_TRUE(definition.Columns().empty());
    EXPECT_EQ(definition.Root().ChildCount(), 0u);
    EXPECT_TRUE(definition.SortOrders()[0]);  // reset leaves the sort slots
    EXPECT_FALSE(definition.SetSourceType(DVFileSettings::kFixedWidthText));
}

TEST(DVFileTest, DriverAndTableChangesClearTheSelection) {
    DVFile definition;
    definition.SetSourceType(DVFileSettings::kOdbc);
    definition.SetUserSysDsn("dsn");
    definition.SetDsnType(1);
    definition.SetSqlQuery("select 1");
    definition.AddColumn(CSCol("a"));
    EXPECT_TRUE(definition.SetOdbcDriver("SQLite3"));
    EXPECT_EQ(definition.Settings().usersysdsn, "");
    EXPECT_EQ(definition.Settings().dsntype, 0);
    EXPECT_EQ(definition.Settings().sqlquery, "");
    EXPECT_TRUE(definition.Columns().empty());

    definition.AddColumn(CSCol("b"));
    EXPECT_TRUE(definition.SetSqlTableName("t"));
    EXPECT_TRUE(definition.SetSqlTableName(""));
    EXPECT_TRUE(definition.Columns().empty());
}

TEST(DVFileTest, CopiesAreIndependent) {
    DVFile original;
    original.SetTargetFileName("out.xml");
    original.AddColumn(CSCol("a"));
    original.SortOrders()[1] = SortOrder{3, false};
    original.Root().SetName("items");
    original.Root().AddChild("row", XMLNode::kElement)->AddChild("a", XMLNode::kElement);

    DVFile copy(original);
    EXPECT_EQ(copy.Settings(), original.Settings());
    EXPECT_EQ(copy.Columns(), original.Columns());
    EXPECT_EQ(copy.SortOrders(), original.SortOrders());
    EXPECT_EQ(copy.Root().GetName(), "items");
    ASSERT_EQ(copy.Root().ChildCount(), 1u);
    EXPECT_NE(copy.Root().GetChild(0), original.Root().GetChild(0));
    copy.Root().GetChild(0)->SetName("changed");
    EXPECT_EQ(original.Root().GetChild(0)->GetName(), "row");

    DVFile assigned;
    assigned = original;
    EXPECT_EQ(assigned.Root().GetChild(0)->GetChild(0)->GetName(), "a");
    EXPECT_EQ(assigned.Root().GetChild(0)->GetChild(0)->GetParent(), assigned.Root().GetChild(0));
}

TEST(DVFileTest, ColumnUpkeepFollowsTheOptions) {
    DVFile definition;
    CSCol& name = definition.AddColumn(CSCol("Unit Price"));
    definition.OnColumnAdded(name);
    XMLNode* row = definition.Root().GetChild(0);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetName(), "row");
    ASSERT_EQ(row->ChildCount(), 1u);
    EXPECT_EQ(row->GetChild(0)->GetName(), "UnitPrice");
    EXPECT_EQ(row->GetChild(0)->GetSource(), name.id);

    // Linking takes an existing node of that name that has no source yet.
    XMLNode* city = row->AddChild("City", XMLNode::kElement);
    const CSCol& cityColumn = definition.AddColumn(CSCol("City"));
    definition.OnColumnAdded(cityColumn);
    EXPECT_EQ(city->GetSource(), cityColumn.id);
    EXPECT_EQ(row->ChildCount(), 2u);

    DVFile manual;
    manual.SetAutoAddNodes(false);
    manual.SetAutoLinkNodes(false);
    manual.OnColumnAdded(manual.AddColumn(CSCol("x")));
    EXPECT_EQ(manual.Root().ChildCount(), 0u);
}

TEST(DVFileTest, RemovingAColumnClearsWhatRefersToIt) {
    DVFile definition;
    const int32_t id = definition.AddColumn(CSCol("a")).id;
    definition.OnColumnAdded(definition.Columns().back());
    XMLNode* row = definition.Root().GetChild(0);
    row->AddChild("again", XMLNode::kAttribute)->SetSource(id);
    definition.SetFilePerColValueId(id);

    DVFile removing(definition);
    removing.SetAutoRemoveNodes(true);
    ASSERT_TRUE(removing.RemoveColumn(0));
    EXPECT_EQ(removing.Root().GetChild(0)->ChildCount(), 0u);
    EXPECT_EQ(removing.Settings().filepercolvalueid, 0);

    ASSERT_TRUE(definition.RemoveColumn(0));
    ASSERT_EQ(row->ChildCount(), 2u);
    EXPECT_EQ(row->GetChild(0)->GetSource(), 0);
    EXPECT_EQ(row->GetChild(1)->GetSource(), 0);
    EXPECT_EQ(definition.Settings().filepercolvalueid, 0);
    EXPECT_FALSE(definition.RemoveColumn(0));
}

TEST(DVFileTest, NodesForColumnsGoUnderTheFirstElement) {
    DVFile definition;
    definition.Root().AddChild("version", XMLNode::kAttribute);
    XMLNode* node = definition.AddNodeForColumn("Qty", 4);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetParent()->GetName(), "row");
    EXPECT_EQ(node->GetParent()->GetNodeType(), XMLNode::kElement);
    EXPECT_EQ(definition.FindNodeByName("Q ty"), node);
    EXPECT_EQ(definition.AddNodeForColumn("More", 5)->GetParent(), node->GetParent());
}

TEST(DVFileTest, ColumnListOperations) {
    DVFile definition;
    definition.AddColumn(CSCol("a"));
    definition.AddColumn(CSCol("b"));
    definition.InsertColumn(1, CSCol("c"));
    definition.InsertColumn(99, CSCol("d"));
    auto names = [&] {
        std::string joined;
        for (const CSCol& c : definition.Columns()) {
            joined += c.name;
        }
        return joined;
    };
    EXPECT_EQ(names(), "acbd");
    definition.MoveColumn(3, 0);
    EXPECT_EQ(names(), "dacb");
    EXPECT_EQ(definition.ColumnIndexByName("B"), 3);
    EXPECT_EQ(definition.ColumnIndexByName("zz"), -1);
    EXPECT_EQ(definition.ColumnIndexById(definition.Column(1).id), 1);
    EXPECT_EQ(definition.ColumnById(-5), nullptr);
    definition.RemoveAllColumns();
    EXPECT_TRUE(definition.Columns().empty());
}

TEST(DVFileTest, SettersReadNoSource) {
    testsupport::TempDir dir;
    const std::string path = dir.File("in.csv");
    testsupport::WriteFile(path, "Id;Name\n1;Ann\n");
    DVFile definition;
    EXPECT_TRUE(definition.SetSourceFileName(path));
    EXPECT_TRUE(definition.SetDelimiter(";"));
    EXPECT_TRUE(definition.SetFirstRowHasColNames(false));
    EXPECT_TRUE(definition.Columns().empty());
    EXPECT_EQ(definition.Root().ChildCount(), 0u);
    EXPECT_TRUE(definition.SetSourceType(DVFileSettings::kExcel));
    EXPECT_EQ(definition.Settings().odbcdriver, "");  // the editor picks the installed one
}

}  // namespace
