#include "pages/CXMLSchemaView.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QMimeData>
#include <QTest>
#include <random>

#include "ScriptedPrompter.h"
#include "controller/ChangeCode.h"
#include "frame/CommandTable.h"
#include "pages/CSourceColumnsListView.h"
#include "pages/CXMLTreeModel.h"
#include "pages/ColumnDrag.h"
#include "pages/XMLTreeCommands.h"

namespace {

using Answer = IPrompter::Answer;

class XMLSchemaViewTest : public ::testing::Test {
protected:
    XMLSchemaViewTest() : view(controller, prompter) {
        controller.New();
        controller.Definition().Root().SetName("orders");
        controller.Changed(ChangeCode::kTree);
    }

    XMLNode* Selected() { return view.SelectedNode(); }
    QString Text(const XMLNode* node) {
        return view.Model()->data(view.Model()->IndexForNode(node)).toString();
    }

    CController controller;
    ScriptedPrompter prompter;
    CXMLSchemaView view;
};

}  // namespace

TEST_F(XMLSchemaViewTest, ItemsFollowTheTreeRule) {
    DVFile& definition = controller.Definition();
    CSCol& id = definition.AddColumn(CSCol("OrderId"));
    XMLRootNode& root = definition.Root();
    XMLNode* order = root.AddChild("order", XMLNode::kElement);
    XMLNode* attribute = order->AddChild("id", XMLNode::kAttribute);
    attribute->SetSource(id.id);
    XMLNode* note = order->AddChild("note", XMLNode::kElement);
    note->SetValue("Row {ROW}");
    XMLNode* value = order->AddChild("v", XMLNode::kValue);
    value->SetSource(id.id);
    XMLNode* date = order->AddChild("date", XMLNode::kElement);
    date->SetSource(id.id);
    definition.SetIncludeDoctype(true);
    definition.SetIncludeStylesheet(true);
    definition.SetStylesheetHref("s.xsl");
    controller.Changed(ChangeCode::kTree);

    QAbstractItemModel* model = view.Model();
    const QModelIndex top = model->index(0, 0);
    EXPECT_EQ(model->data(top).toString(), "XML Schema");
    ASSERT_EQ(model->rowCount(top), 4);
    EXPECT_TRUE(
        model->data(model->index(0, 0, top)).toString().startsWith("<?xml version=\"1.0\""));
    EXPECT_EQ(model->data(model->index(1, 0, top)).toString(), "<!DOCTYPE orders>");
    EXPECT_TRUE(model->data(model->index(2, 0, top)).toString().startsWith("<?xml-stylesheet"));
    EXPECT_EQ(Text(&root), "<orders>");
    EXPECT_EQ(Text(attribute), "id=\"OrderId\"");
    EXPECT_EQ(Text(note), "<note>Row {ROW}");
    EXPECT_EQ(Text(value), "v OrderId");
    EXPECT_EQ(Text(date), "<date> OrderId");
}

TEST_F(XMLSchemaViewTest, AddDeleteAndTheNameCounter) {
    using namespace Command;
    view.Execute(kAddElement);
    view.Execute(kAddElement);
    EXPECT_EQ(Selected()->GetName(), "element2");
    // element2 was added under element1, which was selected.
    EXPECT_EQ(Selected()->GetParent()->GetName(), "element1");
    view.SelectNode(&controller.Definition().Root());
    view.SelectNode(controller.Definition().Root().GetChild(0));
    view.Execute(kDelete);
    EXPECT_EQ(Selected(), &controller.Definition().Root());
    view.Execute(kAddElement);
    EXPECT_EQ(Selected()->GetName(), "element3");
    EXPECT_TRUE(controller.IsModified());
    EXPECT_TRUE(controller.CanUndo());
}

TEST_F(XMLSchemaViewTest, MoveLeftOfATopChildAsksFirst) {
    XMLRootNode& root = controller.Definition().Root();
    XMLNode* order = root.AddChild("order", XMLNode::kElement);
    order->AddChild("date", XMLNode::kElement);
    root.AddChild("other", XMLNode::kElement);
    controller.Changed(ChangeCode::kTree);
    view.SelectNode(root.GetChild(0));
    prompter.answers = {Answer::kNo};
    EXPECT_FALSE(view.Execute(Command::kMoveLeft));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Make \"order\" the root node?");
    prompter.answers = {Answer::kYes};
    EXPECT_TRUE(view.Execute(Command::kMoveLeft));
    EXPECT_EQ(root.GetName(), "order");
    ASSERT_EQ(root.ChildCount(), 1u);
    EXPECT_EQ(root.GetChild(0)->GetName(), "date");
    EXPECT_EQ(Selected(), &root);
}

TEST_F(XMLSchemaViewTest, DropsFollowTheirRules) {
    XMLRootNode& root = controller.Definition().Root();
    XMLNode* a = root.AddChild("a", XMLNode::kElement);
    XMLNode* id = a->AddChild("id", XMLNode::kAttribute);
    XMLNode* b = a->AddChild("b", XMLNode::kElement);
    XMLNode* c = root.AddChild("c", XMLNode::kElement);
    controller.Changed(ChangeCode::kTree);
    // Onto an attribute: after it, in its parent (so ahead of b).
    EXPECT_TRUE(view.DropOn(c, id));
    EXPECT_EQ(a->GetChild(1)->GetName(), "c");
    EXPECT_EQ(Selected()->GetName(), "c");
    // Into its own subtree: the child on the way leaves it.
    EXPECT_TRUE(view.DropOn(a, b));
    EXPECT_EQ(root.ChildCount(), 2u);
    EXPECT_EQ(root.GetChild(1)->GetName(), "b");
    EXPECT_FALSE(view.DropOn(&root, a));
}

TEST_F(XMLSchemaViewTest, ModelStaysConsistentThroughRandomCommandsAndUndo) {
    QAbstractItemModelTester tester(view.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    prompter.onMessage = nullptr;
    std::mt19937 random(20261208);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    std::vector<XMLNode*> nodes;
    auto collect = [&nodes](auto&& self, XMLNode* node) -> void {
        nodes.push_back(node);
        for (const auto& child : node->Children()) {
            self(self, child.get());
        }
    };
    using namespace Command;
    const int commands[] = {kAddElement, kAddAttribute, kDelete,   kMoveUp,
                            kMoveDown,   kMoveLeft,     kMoveRight};
    for (int step = 0; step < 1000; ++step) {
        nodes.clear();
        collect(collect, &controller.Definition().Root());
        view.SelectNode(nodes[static_cast<size_t>(pick(static_cast<int>(nodes.size())))]);
        const int action = pick(12);
        if (action < 7) {
            prompter.answers = {pick(2) ? Answer::kYes : Answer::kNo};
            view.Execute(commands[action]);
        } else if (action == 7) {
            view.DuplicateSelected(pick(2) == 0);
        } else if (action == 8) {
            XMLNode* target = nodes[static_cast<size_t>(pick(static_cast<int>(nodes.size())))];
            view.DropOn(Selected(), target);
        } else if (action == 9) {
            controller.Undo();
        } else if (action == 10) {
            controller.Redo();
        } else if (Selected() && Selected()->ChildCount() > 0) {
            const QModelIndex index = view.Model()->IndexForNode(Selected());
            view.setExpanded(index, !view.isExpanded(index));
        }
        // The view's selection always names a node of the current tree.
        if (XMLNode* selected = Selected()) {
            EXPECT_EQ(XMLTreeCommands::NodeAt(controller.Definition().Root(),
                                              XMLTreeCommands::PathOf(selected)),
                      selected);
        }
    }
}

TEST_F(XMLSchemaViewTest, KeysOfTheTree) {
    view.show();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Insert);
    EXPECT_EQ(Selected()->GetName(), "element1");
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected()->GetName(), "attribute1");
    view.SelectNode(controller.Definition().Root().GetChild(0));
    QTest::keyClick(&view, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(controller.Definition().Root().ChildCount(), 2u);
    EXPECT_EQ(Selected()->ChildCount(), 1u);  // with its attribute
    QTest::keyClick(&view, Qt::Key_D);
    EXPECT_EQ(Selected()->ChildCount(), 0u);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(controller.Definition().Root().GetChild(1), Selected());
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(controller.Definition().Root().ChildCount(), 2u);
    // Collapsing records the flag on the node, without a change.
    XMLNode* first = controller.Definition().Root().GetChild(0);
    const size_t depth = controller.UndoDepth();
    view.collapse(view.Model()->IndexForNode(first));
    EXPECT_FALSE(first->GetExpanded());
    EXPECT_EQ(controller.UndoDepth(), depth);
}

namespace {

// Drags what list would carry for its selected rows onto node, as the window
// system delivers a drag: enter, move, drop, with modifiers held.
void DropOnto(CXMLSchemaView& view, const XMLNode* node, QMimeData* data,
              Qt::KeyboardModifiers modifiers = {}) {
    view.scrollTo(view.Model()->IndexForNode(node));
    const QPoint at = view.visualRect(view.Model()->IndexForNode(node)).center();
    const Qt::DropActions actions = Qt::CopyAction;
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(view.viewport(), &enter);
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(view.viewport(), &move);
    ASSERT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(view.viewport(), &drop);
    QTest::qWait(1);  // the drop is applied once the drag has ended
}

}  // namespace

TEST_F(XMLSchemaViewTest, ColumnsDroppedFromTheListBecomeBoundNodesInOneStep) {
    DVFile& definition = controller.Definition();
    definition.SetAutoAddNodes(false);
    const int32_t id = definition.AddColumn(CSCol("Order Id")).id;
    const int32_t city = definition.AddColumn(CSCol("ship to/city")).id;
    const int32_t note = definition.AddColumn(CSCol("note")).id;
    XMLNode* order = definition.Root().AddChild("order", XMLNode::kElement);
    XMLNode* free = definition.Root().AddChild("remark", XMLNode::kElement);
    controller.Changed(ChangeCode::kSource);
    CSourceColumnsListView list;
    list.Refresh(definition);
    view.resize(400, 300);
    view.show();

    // The list carries the selected columns in its order.
    list.topLevelItem(1)->setSelected(true);
    list.topLevelItem(0)->setSelected(true);
    std::unique_ptr<QMimeData> data(
        list.model()->mimeData(list.selectionModel()->selectedIndexes()));
    ASSERT_TRUE(data);
    EXPECT_EQ(ColumnDrag::Decode(data->data(ColumnDrag::kMimeType)),
              (std::vector<int32_t>{id, city}));

    const size_t depth = controller.UndoDepth();
    DropOnto(view, order, data.get());
    EXPECT_EQ(controller.UndoDepth(), depth + 1);
    order = definition.Root().FindByName("order");
    ASSERT_EQ(order->ChildCount(), 2u);
    EXPECT_EQ(order->GetChild(0)->GetName(), XMLNode::ColumnNodeName("Order Id"));
    EXPECT_EQ(order->GetChild(1)->GetName(), XMLNode::ColumnNodeName("ship to/city"));
    EXPECT_EQ(order->GetChild(0)->GetSource(), id);
    EXPECT_EQ(order->GetChild(1)->GetSource(), city);
    EXPECT_EQ(order->GetChild(1)->GetNodeType(), XMLNode::kElement);
    EXPECT_EQ(Selected(), order->GetChild(1));

    // With Shift: attributes.
    DropOnto(view, order, data.get(), Qt::ShiftModifier);
    EXPECT_EQ(controller.UndoDepth(), depth + 2);
    order = definition.Root().FindByName("order");
    ASSERT_EQ(order->ChildCount(), 4u);
    EXPECT_EQ(order->GetChild(0)->GetNodeType(), XMLNode::kAttribute);
    EXPECT_EQ(order->GetChild(0)->GetSource(), id);

    // One column onto a node bound to nothing binds it.
    QMimeData one;
    one.setData(ColumnDrag::kMimeType, ColumnDrag::Encode({note}));
    DropOnto(view, free, &one);
    free = definition.Root().FindByName("remark");
    EXPECT_EQ(free->GetSource(), note);
    EXPECT_EQ(free->ChildCount(), 0u);
    EXPECT_EQ(Text(free), "<remark> note");

    // Each drop is one undo step.
    controller.Undo();
    controller.Undo();
    controller.Undo();
    EXPECT_EQ(definition.Root().FindByName("order")->ChildCount(), 0u);
    EXPECT_EQ(definition.Root().FindByName("remark")->GetSource(), 0);
    // Junk in the drag maps nothing.
    QMimeData junk;
    junk.setData(ColumnDrag::kMimeType, "x,-3,,99999");
    DropOnto(view, definition.Root().FindByName("order"), &junk);
    EXPECT_EQ(controller.UndoDepth(), depth);
}
