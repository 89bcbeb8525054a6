#include "sheets/CImportXMLSchemaDialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "import/SchemaImport.h"
#include "pages/CFileNameField.h"
#include "pages/CXMLNodePropDlg.h"
#include "pages/CXMLSchemaView.h"
#include "pages/CXMLTreeModel.h"
#include "sheets/CXMLTargetPropSheet.h"

using testsupport::DataFile;

namespace {

class ImportDialogTest : public ::testing::Test {
protected:
    ImportDialogTest() : view(controller, prompter) { controller.New(); }

    bool Import(const std::string& path, int kind) {
        CImportXMLSchemaDialog dialog(context);
        dialog.FilePage()->KindGroup()->button(kind)->setChecked(true);
        dialog.FilePage()->PathField()->Edit()->setText(QString::fromStdString(path));
        dialog.accept();
        return dialog.ChangedSomething();
    }
    std::string RootShape() {
        const XMLRootNode& root = controller.Definition().Root();
        std::string shape = root.GetName() + ":";
        for (const auto& child : root.Children()) {
            shape += " " + child->GetName();
        }
        return shape;
    }

    CController controller;
    ScriptedPrompter prompter;
    SheetContext context{controller, prompter, {}};
    CXMLSchemaView view;
};

}  // namespace

TEST_F(ImportDialogTest, AnEmptyPathIsRefused) {
    CImportXMLSchemaDialog dialog(context);
    EXPECT_EQ(dialog.windowTitle(), "Import XML Schema");
    EXPECT_EQ(dialog.Tabs()->tabText(0), "File Selection");
    EXPECT_EQ(dialog.FilePage()->KindGroup()->checkedId(), kImportXsd);
    dialog.show();
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Please enter the path or URL of the file you want to import.");
    EXPECT_EQ(controller.UndoDepth(), 1u);
}

TEST_F(ImportDialogTest, ImportsTheThreeKindsAndKeepsTheModelValid) {
    QAbstractItemModelTester tester(view.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_TRUE(Import(DataFile("schema/one-root.xsd"), kImportXsd));
    EXPECT_EQ(RootShape().substr(0, 5), "note:");
    EXPECT_TRUE(controller.IsModified());

    controller.Definition().Root().SetName("note");
    EXPECT_TRUE(Import(DataFile("schema/note.dtd"), kImportDtd));
    EXPECT_EQ(RootShape().substr(0, 5), "note:");

    EXPECT_TRUE(Import(DataFile("schema/sample.xml"), kImportXml));
    EXPECT_EQ(RootShape().substr(0, 2), "a:");
    EXPECT_TRUE(prompter.messages.empty());

    // Undo walks back through the imports; the model follows.
    EXPECT_TRUE(controller.Undo());
    EXPECT_EQ(RootShape().substr(0, 5), "note:");
    EXPECT_TRUE(controller.Redo());
    EXPECT_EQ(RootShape().substr(0, 2), "a:");
    EXPECT_EQ(view.Model()->rowCount(view.Model()->IndexForNode(&controller.Definition().Root())),
              static_cast<int>(controller.Definition().Root().ChildCount()));
}

// A namespaced schema: the tree shows the prefixed names and, on the
// document element, the declarations; a prefixed name can be typed in.
TEST_F(ImportDialogTest, ANamespacedSchemaShowsPrefixesAndDeclarations) {
    EXPECT_TRUE(Import(DataFile("schema/ns/pay.xsd"), kImportXsd));
    XMLRootNode& root = controller.Definition().Root();
    const auto text = [this](const XMLNode* node) {
        return view.Model()->data(view.Model()->IndexForNode(node)).toString();
    };
    EXPECT_EQ(text(&root), "<Document>");
    EXPECT_EQ(text(root.GetChild(0)), "xmlns=\"urn:example:pay\"");
    EXPECT_EQ(text(root.GetChild(1)), "xmlns:c=\"urn:example:common\"");
    XMLNode* payment = root.GetChild(2);
    EXPECT_EQ(text(payment->FindByName("c:Amount")), "<c:Amount>");
    EXPECT_EQ(text(payment->FindByName("xml:lang")), "xml:lang=\"\"");

    CXMLNodePropDlg properties(controller);
    properties.SetNode(payment);
    properties.NameEdit()->setText(" c:Payment ");
    emit properties.NameEdit()->editingFinished();
    EXPECT_EQ(payment->GetName(), "c:Payment");
    EXPECT_EQ(text(payment), "<c:Payment>");
}

TEST_F(ImportDialogTest, ABrokenSchemaShowsTheParserError) {
    const size_t depth = controller.UndoDepth();
    EXPECT_FALSE(Import(DataFile("schema/not-a-schema.xsd"), kImportXsd));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].caption, "Import XML Schema");
    EXPECT_EQ(prompter.messages[0].icon, IPrompter::Icon::kError);
    EXPECT_TRUE(prompter.messages[0].text.contains("XML Parser Error"))
        << prompter.messages[0].text.toStdString();
    EXPECT_EQ(controller.UndoDepth(), depth);
    EXPECT_EQ(controller.Definition().Root().ChildCount(), 0u);
}

TEST_F(ImportDialogTest, DoctypePageLoadsTheDtd) {
    CXMLTargetPropSheet sheet(context);
    CXMLTargetDoctypePropPage* page = sheet.DoctypePage();
    page->IncludeBox()->setChecked(true);
    page->RootEdit()->setText("note");
    page->DtdEdit()->setText(QString::fromStdString(DataFile("schema/note.dtd")));
    page->LoadBox()->setChecked(true);
    sheet.accept();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_GT(controller.Definition().Root().ChildCount(), 0u);
    EXPECT_EQ(controller.Definition().Settings().doctypedtd, DataFile("schema/note.dtd"));

    // A DTD that cannot be read: the message, and the other settings stay.
    CXMLTargetPropSheet again(context);
    again.DoctypePage()->DtdEdit()->setText("/nonexistent/missing.dtd");
    again.DoctypePage()->PublicIdEdit()->setText("-//X//EN");
    again.DoctypePage()->LoadBox()->setChecked(true);
    again.accept();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Failed to load DTD from \"/nonexistent/missing.dtd\"");
    EXPECT_EQ(prompter.messages[0].caption, "Load DTD");
    EXPECT_EQ(controller.Definition().Settings().doctypepublicid, "-//X//EN");
}
