#include "pages/CXMLNodePropDlg.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "PageTestSupport.h"
#include "controller/ChangeCode.h"
#include "model/DVFile.h"

namespace {

// The panel over a definition with one element "order" under the document
// node, shown, with every change code recorded.
struct XMLNodePropDlgTest : ::testing::Test {
    XMLNodePropDlgTest() : recorder(controller) {
        controller.New();
        controller.Definition().Root().AddChild("order", XMLNode::kElement);
        controller.Changed(ChangeCode::kAll);
        panel.show();
        panel.SetNode(Order());
        recorder.codes.clear();
    }
    XMLNode* Order() { return controller.Definition().Root().GetChild(0); }

    CController controller;
    CodeRecorder recorder;
    CXMLNodePropDlg panel{controller};
};

}  // namespace

TEST_F(XMLNodePropDlgTest, EditsChangeTheNodeWithTheTreeCode) {
    panel.NameEdit()->setFocus();
    panel.NameEdit()->selectAll();
    QTest::keyClicks(panel.NameEdit(), "item");
    panel.CommitEdits();
    EXPECT_EQ(Order()->GetName(), "item");
    EXPECT_EQ(recorder.codes, std::vector<int32_t>{ChangeCode::kTree});

    // Arrow keys move a radio group's choice without a click.
    panel.TypeGroup()->button(XMLNode::kAttribute)->setChecked(true);
    EXPECT_EQ(Order()->GetNodeType(), XMLNode::kAttribute);
    EXPECT_EQ(recorder.codes.size(), 2u);

    QTest::keyClicks(panel.ValueEdit(), "v");
    panel.CommitEdits();
    EXPECT_EQ(Order()->GetValue(), "v");
    EXPECT_EQ(recorder.codes,
              (std::vector<int32_t>{ChangeCode::kTree, ChangeCode::kTree, ChangeCode::kTree}));
}

TEST_F(XMLNodePropDlgTest, AnEmptyNameIsRefused) {
    panel.NameEdit()->setFocus();
    panel.NameEdit()->selectAll();
    QTest::keyClick(panel.NameEdit(), Qt::Key_Delete);
    QTest::keyClicks(panel.NameEdit(), "  ");
    panel.CommitEdits();
    emit panel.NameEdit()->editingFinished();
    EXPECT_EQ(Order()->GetName(), "order");
    EXPECT_TRUE(recorder.codes.empty());
}

TEST_F(XMLNodePropDlgTest, AutoTextGoesInAtTheCaret) {
    EXPECT_FALSE(panel.AutoTextButton()->isEnabled());  // no chooser yet
    QString answer = "{ROW}";
    panel.SetAutoTextHandler([&answer] { return answer; });
    ASSERT_TRUE(panel.AutoTextButton()->isEnabled());
    panel.ValueEdit()->setPlainText("ab");
    QTextCursor caret = panel.ValueEdit()->textCursor();
    caret.setPosition(1);
    panel.ValueEdit()->setTextCursor(caret);
    QTest::mouseClick(panel.AutoTextButton(), Qt::LeftButton);
    EXPECT_EQ(Order()->GetValue(), "a{ROW}b");
    EXPECT_EQ(recorder.codes.back(), ChangeCode::kTree);
    // Cancelled: nothing changes.
    answer.clear();
    const size_t before = recorder.codes.size();
    QTest::mouseClick(panel.AutoTextButton(), Qt::LeftButton);
    EXPECT_EQ(Order()->GetValue(), "a{ROW}b");
    EXPECT_EQ(recorder.codes.size(), before);
}

TEST_F(XMLNodePropDlgTest, TheDocumentNodeHasNoType) {
    panel.SetNode(&controller.Definition().Root());
    for (QAbstractButton* button : panel.TypeGroup()->buttons()) {
        EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
        EXPECT_FALSE(button->isChecked()) << button->text().toStdString();
    }
    panel.SetNode(Order());
    EXPECT_TRUE(panel.TypeGroup()->button(XMLNode::kElement)->isEnabled());
    EXPECT_TRUE(panel.TypeGroup()->button(XMLNode::kElement)->isChecked());
    EXPECT_TRUE(recorder.codes.empty());
    panel.SetNode(nullptr);
    EXPECT_FALSE(panel.isEnabled());
}
