#include "pages/CXMLTreeModel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "ScriptedPrompter.h"
#include "controller/ChangeCode.h"
#include "frame/CommandTable.h"
#include "pages/CXMLSchemaView.h"
#include "pages/XMLTreeCommands.h"

namespace {

// The signals a model sends, counted from the last Clear.
struct ModelSignals {
    explicit ModelSignals(QAbstractItemModel* model)
        : reset(model, &QAbstractItemModel::modelReset),
          changed(model, &QAbstractItemModel::dataChanged),
          inserted(model, &QAbstractItemModel::rowsInserted),
          removed(model, &QAbstractItemModel::rowsRemoved) {}
    void Clear() {
        reset.clear();
        changed.clear();
        inserted.clear();
        removed.clear();
    }
    QSignalSpy reset;
    QSignalSpy changed;
    QSignalSpy inserted;
    QSignalSpy removed;
};

class XMLTreeModelTest : public ::testing::Test {
protected:
    // orders / order (id attribute, item, item) / order (id attribute).
    XMLTreeModelTest() : view(controller, prompter), spy(view.Model()) {
        controller.New();
        XMLRootNode& root = controller.Definition().Root();
        root.SetName("orders");
        for (int i = 0; i < 2; ++i) {
            XMLNode* order = root.AddChild("order", XMLNode::kElement);
            order->AddChild("id", XMLNode::kAttribute);
            if (i == 0) {
                order->AddChild("item", XMLNode::kElement)->AddChild("sku", XMLNode::kElement);
                order->AddChild("item", XMLNode::kElement);
            }
        }
        controller.Changed(ChangeCode::kTree);
        view.expandAll();
        spy.Clear();
    }

    XMLRootNode& Root() { return controller.Definition().Root(); }
    CXMLTreeModel* Model() { return view.Model(); }
    QModelIndex IndexAt(const std::string& path) {
        return Model()->IndexForNode(XMLTreeCommands::NodeAt(Root(), path));
    }
    void ExpectNoStructureChange() {
        EXPECT_EQ(spy.reset.count(), 0);
        EXPECT_EQ(spy.inserted.count(), 0);
        EXPECT_EQ(spy.removed.count(), 0);
    }

    CController controller;
    ScriptedPrompter prompter;
    CXMLSchemaView view;
    ModelSignals spy;
};

}  // namespace

TEST_F(XMLTreeModelTest, RenameAndItsUndoChangeOneRow) {
    view.SelectPath("0/1");
    const QPersistentModelIndex selected = view.currentIndex();
    XMLNode* item = XMLTreeCommands::NodeAt(Root(), "0/1");
    item->SetName("line");
    controller.Changed(ChangeCode::kTree);
    ExpectNoStructureChange();
    ASSERT_EQ(spy.changed.count(), 1);
    EXPECT_EQ(spy.changed.at(0).at(0).value<QModelIndex>(), IndexAt("0/1"));
    EXPECT_EQ(Model()->data(IndexAt("0/1")).toString(), "<line>");

    spy.Clear();
    controller.Undo();
    ExpectNoStructureChange();
    ASSERT_EQ(spy.changed.count(), 1);
    EXPECT_EQ(Model()->data(IndexAt("0/1")).toString(), "<item>");
    // Undo replaced every node; the row, its selection and the expansion stay.
    EXPECT_TRUE(selected.isValid());
    EXPECT_EQ(view.currentIndex(), QModelIndex(selected));
    EXPECT_EQ(view.SelectedNode(), XMLTreeCommands::NodeAt(Root(), "0/1"));
    EXPECT_TRUE(view.isExpanded(IndexAt("0")));
    EXPECT_TRUE(view.isExpanded(IndexAt("0/1")));
}

TEST_F(XMLTreeModelTest, InsertDeleteAndUndoReportRows) {
    view.SelectPath("0");
    ASSERT_TRUE(view.Execute(Command::kAddElement));
    EXPECT_EQ(spy.reset.count(), 0);
    EXPECT_EQ(spy.removed.count(), 0);
    ASSERT_EQ(spy.inserted.count(), 1);
    EXPECT_EQ(spy.inserted.at(0).at(0).value<QModelIndex>(), IndexAt("0"));
    EXPECT_EQ(spy.inserted.at(0).at(1).toInt(), 3);  // after the two items
    EXPECT_EQ(spy.inserted.at(0).at(2).toInt(), 3);
    EXPECT_EQ(view.SelectedNode(), XMLTreeCommands::NodeAt(Root(), "0/3"));

    spy.Clear();
    view.SelectPath("0/1");
    ASSERT_TRUE(view.DeleteSelected());
    EXPECT_EQ(spy.reset.count(), 0);
    EXPECT_EQ(spy.inserted.count(), 0);
    ASSERT_EQ(spy.removed.count(), 1);
    EXPECT_EQ(spy.removed.at(0).at(1).toInt(), 1);

    spy.Clear();
    controller.Undo();  // the deleted item comes back
    EXPECT_EQ(spy.reset.count(), 0);
    EXPECT_EQ(spy.removed.count(), 0);
    ASSERT_EQ(spy.inserted.count(), 1);
    EXPECT_EQ(spy.inserted.at(0).at(1).toInt(), 1);
    // It comes back expanded as it was, with its child.
    EXPECT_TRUE(view.isExpanded(IndexAt("0/1")));
    EXPECT_EQ(Model()->rowCount(IndexAt("0/1")), 1);

    spy.Clear();
    controller.Undo();  // the added element goes
    EXPECT_EQ(spy.reset.count(), 0);
    ASSERT_EQ(spy.removed.count(), 1);
    EXPECT_EQ(spy.removed.at(0).at(1).toInt(), 3);
    EXPECT_EQ(Model()->rowCount(IndexAt("0")), 3);
}

TEST_F(XMLTreeModelTest, ExpansionTheUserChangedSurvivesUndo) {
    view.collapse(IndexAt("0/1"));
    XMLTreeCommands::NodeAt(Root(), "1")->SetName("last");
    controller.Changed(ChangeCode::kTree);
    controller.Undo();
    EXPECT_FALSE(view.isExpanded(IndexAt("0/1")));
    EXPECT_TRUE(view.isExpanded(IndexAt("0")));
    // The definition follows the view.
    EXPECT_FALSE(XMLTreeCommands::NodeAt(Root(), "0/1")->GetExpanded());
}

TEST_F(XMLTreeModelTest, ColumnsAndHeadsChangeTheirRowsOnly) {
    QAbstractItemModelTester tester(Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    DVFile& definition = controller.Definition();
    definition.SetAutoAddNodes(false);
    CSCol& column = definition.AddColumn(CSCol("Sku"));
    const int32_t id = column.id;
    XMLTreeCommands::NodeAt(Root(), "0/1/0")->SetSource(id);
    controller.Changed(ChangeCode::kTree);
    spy.Clear();

    // A renamed column renames the text of the rows bound to it.
    definition.Column(0).name = "Code";
    controller.Changed(ChangeCode::kSource);
    ExpectNoStructureChange();
    ASSERT_EQ(spy.changed.count(), 1);
    EXPECT_EQ(Model()->data(IndexAt("0/1/0")).toString(), "<sku> Code");

    // A DOCTYPE item comes and goes among the heads.
    spy.Clear();
    definition.SetIncludeDoctype(true);
    controller.Changed(ChangeCode::kOutput);
    EXPECT_EQ(spy.reset.count(), 0);
    ASSERT_EQ(spy.inserted.count(), 1);
    EXPECT_EQ(Model()->rowCount(Model()->TopIndex()), 3);
    definition.SetIncludeDoctype(false);
    controller.Changed(ChangeCode::kOutput);
    EXPECT_EQ(spy.removed.count(), 1);
    EXPECT_EQ(Model()->rowCount(Model()->TopIndex()), 2);
}

TEST_F(XMLTreeModelTest, TesterStaysQuietThroughEditsUndoAndRedo) {
    QAbstractItemModelTester tester(Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    view.SelectPath("0/1");
    view.DuplicateSelected(true);
    view.Execute(Command::kMoveUp);
    view.Execute(Command::kMoveRight);
    view.Execute(Command::kAddAttribute);
    XMLTreeCommands::NodeAt(Root(), "1")->SetName("renamed");
    controller.Changed(ChangeCode::kTree);
    view.SelectPath("0");
    view.DeleteSelected();
    while (controller.Undo()) {
    }
    EXPECT_EQ(Model()->rowCount(IndexAt("")), 0);  // as New left it
    while (controller.Redo()) {
    }
    EXPECT_EQ(Model()->rowCount(IndexAt("")), 1);
    EXPECT_EQ(Model()->data(IndexAt("0")).toString(), "<renamed>");
    // Opening another definition lines everything up again.
    controller.New();
    EXPECT_EQ(Model()->rowCount(IndexAt("")), 0);
    EXPECT_EQ(spy.reset.count(), 0);
}
