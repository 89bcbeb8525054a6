#include <gtest/gtest.h>

#include "TestSupport.h"
#include "model/DVFile.h"

namespace {

TEST(LegacyProjectFileTest, ReadsMembersColumnsFiltersAndSortKeys) {
    DVFile definition;
    ASSERT_TRUE(definition.LoadProjectFile(testsupport::DataFile("legacy-children-first.dv")));
    const DVFileSettings& s = definition.Settings();
    EXPECT_EQ(s.sourcefilename, "C:\\data\\orders.csv");
    EXPECT_EQ(s.delimiter, ";");
    EXPECT_EQ(s.encoding, "utf-8");
    EXPECT_EQ(s.sqlquery, "SELECT a\r\nFROM b");
    // Members the older layout did not have keep their defaults.
    EXPECT_EQ(s.firstOutputId, 1);
    EXPECT_TRUE(s.indentOutput);
    EXPECT_EQ(definition.Root().GetName(), "Orders");

    const std::vector<CSCol>& columns = definition.Columns();
    ASSERT_EQ(columns.size(), 2u);  // the unreadable column is left out
    EXPECT_EQ(columns[0].name, "Customer");
    EXPECT_EQ(columns[0].id, 31);
    EXPECT_EQ(columns[0].width, 12);
    EXPECT_TRUE(columns[0].skipIfEmpty);
    EXPECT_TRUE(columns[0].skipIfNoMatch);
    EXPECT_EQ(columns[0].defaultValue, "nobody");
    EXPECT_EQ(columns[0].caseType, DataTypeProperties::kCaseUpper);
    EXPECT_EQ(columns[0].lookupTable.at("acme"), "Acme Corp");
    EXPECT_EQ(columns[1].precision, 2);
    EXPECT_TRUE(columns[1].thousands);

    ASSERT_EQ(definition.Filters().size(), 1u);
    EXPECT_EQ(definition.Filters()[0].ColumnId(), 32);
    EXPECT_EQ(definition.Filters()[0].Value(), "100");
    ASSERT_TRUE(definition.SortOrders()[0]);
    EXPECT_EQ(definition.SortOrders()[0]->columnId, 31);
}

TEST(LegacyProjectFileTest, ChildrenListedBeforeTheirParentsFindThem) {
    DVFile definition;
    ASSERT_TRUE(definition.LoadProjectFile(testsupport::DataFile("legacy-children-first.dv")));
    const XMLRootNode& root = definition.Root();
    ASSERT_EQ(root.ChildCount(), 2u);
    EXPECT_EQ(root.GetChild(0)->GetName(), "stamp");  // attribute first
    EXPECT_EQ(root.GetChild(0)->GetValue(), "{NOW}");
    const XMLNode* orders = root.GetChild(1);
    EXPECT_EQ(orders->GetName(), "orders");
    EXPECT_EQ(orders->GetScope(), XMLNode::kDocumentScope);
    ASSERT_EQ(orders->ChildCount(), 1u);
    const XMLNode* order = orders->GetChild(0);
    EXPECT_EQ(order->GetName(), "order");
    EXPECT_TRUE(order->GetSkipIfEmpty());
    ASSERT_EQ(order->ChildCount(), 2u);
    EXPECT_EQ(order->GetChild(0)->GetName(), "customer");
    EXPECT_EQ(order->GetChild(0)->GetNodeType(), XMLNode::kAttribute);
    EXPECT_EQ(order->GetChild(1)->GetName(), "amount");
    ASSERT_EQ(order->GetChild(1)->ChildCount(), 1u);
    const XMLNode* detail = order->GetChild(1)->GetChild(0);
    EXPECT_EQ(detail->GetName(), "detail");
    EXPECT_EQ(detail->dataType, DataTypeProperties::kNumber);
    EXPECT_EQ(detail->precision, 0);
    // The node whose parent never appears is dropped.
    EXPECT_EQ(definition.FindNodeByName("orphan"), nullptr);
}

TEST(LegacyProjectFileTest, AnyOtherVersionIsTheOlderLayout) {
    testsupport::TempDir dir;
    const std::string path = dir.File("old.dv");
    testsupport::WriteFile(path,
                           "<tarnwrightdatavane><version>2.5</version>"
                           "<documenttag>List</documenttag><first-output-id>9</first-output-id>"
                           "<xmlroot name=\"ignored\"><xmlnode name=\"nested\"/></xmlroot>"
                           "<xmlnode><name>flat</name></xmlnode>"
                           "</tarnwrightdatavane>");
    DVFile definition;
    ASSERT_TRUE(definition.LoadProjectFile(path));
    EXPECT_EQ(definition.Root().GetName(), "List");
    EXPECT_EQ(definition.Settings().firstOutputId, 1);
    // Every xmlnode element is read flat, the one nested in xmlroot as well.
    ASSERT_EQ(definition.Root().ChildCount(), 2u);
    EXPECT_EQ(definition.Root().GetChild(0)->GetName(), "_");
    EXPECT_EQ(definition.Root().GetChild(1)->GetName(), "flat");
}

}  // namespace
