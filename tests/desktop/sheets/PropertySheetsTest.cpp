#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "controller/CController.h"
#include "controller/CControllerObserver.h"
#include "controller/ChangeCode.h"
#include "model/RegionalTestSupport.h"
#include "pages/CFileNameField.h"
#include "pages/XMLTreeCommands.h"
#include "sheets/CAutoTextDlg.h"
#include "sheets/CDataTypeFormatBox.h"
#include "sheets/CFormatDateTimeDlg.h"
#include "sheets/CFormatNumberDlg.h"
#include "sheets/CODBCAdvancedPropSheet.h"
#include "sheets/CSourceColumnPropSheet.h"
#include "sheets/CSourceFiltersPropSheet.h"
#include "sheets/CSourceOptionsPropSheet.h"
#include "sheets/CSourceSortPropSheet.h"
#include "sheets/CXMLNodePropSheet.h"
#include "sheets/CXMLOutputPropSheet.h"
#include "sheets/CXMLTargetPropSheet.h"

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

class CodeRecorder : public CControllerObserver<CodeRecorder> {
public:
    using CControllerObserver::CControllerObserver;
    void OnUpdate(int32_t code) { codes.push_back(code); }
    std::vector<int32_t> codes;
};

// A definition whose every edited setting differs from its default.
void FillDefinition(DVFile& d) {
    d.SetEncoding("windows-1252");
    d.SetRemoveQuotes(false);
    d.SetTrimSpace(false);
    d.SetAlwaysEmitEndTags(true);
    d.SetIndentOutput(false);
    d.SetIncludeStandaloneProperty(false);
    d.SetFilePerRow(true);
    d.SetXslTransform("style.xsl");
    d.SetValidateSchema("orders.xsd");
    d.SetFirstOutputId(100);
    d.SetIncludeDoctype(true);
    d.SetDoctypePublicId("-//X//DTD orders//EN");
    d.SetDoctypeDtd("orders.dtd");
    d.SetIncludeStylesheet(true);
    d.SetStylesheetHref("s.css");
    d.SetIsStylesheetXsl(false);
    d.SetStylesheetTitle("Orders");
    d.SetCustomText("<!-- a -->\r\n<!-- b -->");
    d.SetIncludeFile("head.txt");
    d.SetAutoAddNodes(false);
    d.SetAutoRemoveNodes(true);
    d.SetAutoLinkNodes(false);
    d.SetAdditionalConnectionParameters("A=1;B=2;");
    d.SetFirstRow(2);
    d.SetLastRow(40);
    CSCol price("price");
    price.dataType = DataTypeProperties::kNumber;
    price.precision = 2;
    price.thousands = true;
    price.currency = true;
    price.skipIfZero = true;
    price.useLastIfEmpty = true;
    price.ignoreCase = false;
    price.allowPartialMatch = true;
    price.AddLookupEntry("1 = one");
    price.AddLookupEntry("2 = two");
    const int32_t priceId = d.AddColumn(price).id;
    CSCol date("date");
    date.dataType = DataTypeProperties::kDateTime;
    date.dateSequence = DataTypeProperties::kDMY;
    date.format = "DD.MM.YYYY";
    date.defaultValue = "none";
    date.skipIfDuplicate = true;
    const int32_t dateId = d.AddColumn(date).id;
    d.SetFilePerColValueId(dateId);
    DVFilter& filter = d.Filters()[1];
    filter.SetColumnId(priceId);
    filter.SetOperator(DVFilter::kGreater);
    filter.SetValue("10");
    filter.SetJoin(false);
    d.SortOrders()[0] = SortOrder{dateId, true};
    d.Root().SetName("orders");
    XMLNode* order = d.Root().AddChild("order", XMLNode::kElement);
    order->SetGroup(dateId);
    order->SetSkipIfZero(true);
    XMLNode* amount = order->AddChild("amount", XMLNode::kElement);
    amount->SetScope(XMLNode::kFooterScope);
    amount->SetOutputType(XMLNode::kCDataSection);
    amount->DataType().dataType = DataTypeProperties::kNumber;
    amount->DataType().precision = 3;
    amount->AddChild("currency", XMLNode::kAttribute)->SetValue("EUR");
}

struct SheetCase {
    const char* name;
    std::function<std::unique_ptr<CPropertySheet>(SheetContext&)> open;
    // Changes one field of the open sheet.
    std::function<void(CPropertySheet&)> edit;
    int32_t code;
};

std::vector<SheetCase> Cases() {
    return {
        {"column", [](SheetContext& c) { return std::make_unique<CSourceColumnPropSheet>(c, 0); },
         [](CPropertySheet& s) {
             static_cast<CSourceColumnBehaviorPropPage*>(s.Page(1))->EmptyBox()->setChecked(true);
         },
         ChangeCode::kSource},
        {"filters", [](SheetContext& c) { return std::make_unique<CSourceFiltersPropSheet>(c); },
         [](CPropertySheet& s) {
             static_cast<CSourceFiltersPropPage*>(s.Page(0))->ValueEdit(1)->setText("11");
         },
         ChangeCode::kSource},
        {"sort", [](SheetContext& c) { return std::make_unique<CSourceSortPropSheet>(c); },
         [](CPropertySheet& s) {
             static_cast<CSourceSortPropPage*>(s.Page(0))->OrderButton(0)->click();
         },
         ChangeCode::kSource},
        {"source options",
         [](SheetContext& c) { return std::make_unique<CSourceOptionsPropSheet>(c); },
         [](CPropertySheet& s) {
             static_cast<CSourceOptionsPropPage*>(s.Page(0))->LinkBox()->setChecked(true);
         },
         ChangeCode::kNone},
        {"odbc advanced",
         [](SheetContext& c) { return std::make_unique<CODBCAdvancedPropSheet>(c); },
         [](CPropertySheet& s) {
             static_cast<CODBCAdvancedPropPage*>(s.Page(0))->AdditionalEdit()->setPlainText("C=3;");
         },
         ChangeCode::kSource},
        {"node", [](SheetContext& c) { return std::make_unique<CXMLNodePropSheet>(c, "0/0"); },
         [](CPropertySheet& s) {
             static_cast<CXMLNodeBehaviourPropPage*>(s.Page(0))
                 ->ScopeGroup()
                 ->button(XMLNode::kHeaderScope)
                 ->setChecked(true);
         },
         ChangeCode::kTree},
        {"output", [](SheetContext& c) { return std::make_unique<CXMLOutputPropSheet>(c); },
         [](CPropertySheet& s) {
             static_cast<CXMLOutputOtherPropPage*>(s.Page(2))->FirstIdBox()->setValue(7);
         },
         ChangeCode::kOutput},
        {"target", [](SheetContext& c) { return std::make_unique<CXMLTargetPropSheet>(c); },
         [](CPropertySheet& s) {
             static_cast<CXMLTargetStylesheetPropPage*>(s.Page(1))->TitleEdit()->setText("New");
         },
         ChangeCode::kTree},
    };
}

class PropertySheetsTest : public ::testing::Test {
protected:
    PropertySheetsTest() : recorder(controller) {
        controller.New();
        FillDefinition(controller.Definition());
        controller.Changed(ChangeCode::kAll);
        EXPECT_TRUE(controller.SaveAs(dir.File("start.dv")));
        recorder.codes.clear();
    }
    std::string Saved() {
        controller.Definition().SaveProjectFile(dir.File("now.dv"));
        return ReadFile(dir.File("now.dv"));
    }

    TempDir dir;
    CController controller;
    ScriptedPrompter prompter;
    SheetContext context{controller, prompter, {}};
    CodeRecorder recorder;
};

}  // namespace

TEST_F(PropertySheetsTest, OkWithoutEditsChangesNothing) {
    const std::string before = Saved();
    const size_t depth = controller.UndoDepth();
    for (const SheetCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CPropertySheet> sheet = c.open(context);
        sheet->accept();
        EXPECT_FALSE(sheet->ChangedSomething());
        EXPECT_EQ(Saved(), before);
        EXPECT_FALSE(controller.IsModified());
        EXPECT_EQ(controller.UndoDepth(), depth);
        EXPECT_TRUE(recorder.codes.empty());
    }
}

TEST_F(PropertySheetsTest, CancelAfterEditsChangesNothing) {
    const std::string before = Saved();
    const size_t depth = controller.UndoDepth();
    for (const SheetCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CPropertySheet> sheet = c.open(context);
        c.edit(*sheet);
        sheet->reject();
        EXPECT_EQ(Saved(), before);
        EXPECT_FALSE(controller.IsModified());
        EXPECT_EQ(controller.UndoDepth(), depth);
    }
}

TEST_F(PropertySheetsTest, OneEditGivesOneChangeWithTheSheetsCode) {
    for (const SheetCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const size_t depth = controller.UndoDepth();
        recorder.codes.clear();
        std::unique_ptr<CPropertySheet> sheet = c.open(context);
        c.edit(*sheet);
        sheet->accept();
        EXPECT_TRUE(sheet->ChangedSomething());
        EXPECT_EQ(controller.UndoDepth(), depth + 1);
        EXPECT_TRUE(controller.IsModified());
        if (c.code == ChangeCode::kNone) {
            EXPECT_TRUE(recorder.codes.empty());
        } else {
            EXPECT_EQ(recorder.codes, std::vector<int32_t>{c.code});
        }
    }
    const DVFile& d = controller.Definition();
    EXPECT_TRUE(d.Columns()[0].skipIfEmpty);
    EXPECT_EQ(d.Filters()[1].Value(), "11");
    EXPECT_FALSE(d.SortOrders()[0]->descending);
    EXPECT_TRUE(d.Settings().autolinknodes);
    EXPECT_EQ(d.Settings().additionalConnectionParameters, "C=3;");
    EXPECT_EQ(d.Root().GetChild(0)->GetChild(0)->GetScope(), XMLNode::kHeaderScope);
    EXPECT_EQ(d.Settings().firstOutputId, 7);
    EXPECT_EQ(d.Settings().stylesheettitle, "New");
}

TEST_F(PropertySheetsTest, SheetsShowTheDefinitionsValues) {
    CSourceColumnPropSheet column(context, 0);
    auto* general = static_cast<CSourceColumnPropPage*>(column.Page(0));
    EXPECT_EQ(column.windowTitle(), "Source Column Properties");
    EXPECT_EQ(general->NameEdit()->text(), "price");
    EXPECT_EQ(general->Format()->TypeGroup()->checkedId(), DataTypeProperties::kNumber);
    EXPECT_EQ(general->Format()->CurrentPanel(), general->Format()->NumberPanel());
    auto* behavior = static_cast<CSourceColumnBehaviorPropPage*>(column.Page(1));
    EXPECT_TRUE(behavior->ZeroBox()->isChecked());
    EXPECT_TRUE(behavior->UseLastButton()->isChecked());
    auto* lookup = static_cast<CSourceColumnLookupTablePropPage*>(column.Page(2));
    EXPECT_EQ(lookup->TableEdit()->toPlainText(), "1 = one\n2 = two");
    EXPECT_FALSE(lookup->IgnoreCaseBox()->isChecked());
    EXPECT_TRUE(lookup->PartialBox()->isChecked());
    EXPECT_EQ(column.Tabs()->tabText(2), "Lookup Table");

    CSourceFiltersPropSheet filters(context);
    auto* rows = static_cast<CSourceFiltersPropPage*>(filters.Page(0));
    EXPECT_EQ(rows->ColumnBox(1)->currentText(), "price");
    EXPECT_EQ(rows->ConditionBox(1)->currentText(), "is greater than");
    // The operators only, without a blank entry before them.
    EXPECT_EQ(rows->ConditionBox(1)->count(), 12);
    EXPECT_EQ(rows->ConditionBox(1)->itemText(0), "equals");
    EXPECT_EQ(rows->ConditionBox(0)->currentIndex(), -1);
    EXPECT_EQ(rows->JoinGroup(0)->checkedId(), 0);  // row 2 joins with Or
    EXPECT_EQ(rows->FirstRowBox()->value(), 2);
    EXPECT_EQ(rows->LastRowBox()->value(), 40);

    CXMLNodePropSheet node(context, "0");
    EXPECT_EQ(node.windowTitle(), "order Properties");
    auto* behaviour = static_cast<CXMLNodeBehaviourPropPage*>(node.Page(0));
    EXPECT_EQ(behaviour->GroupBox()->currentText(), "date");
    EXPECT_TRUE(behaviour->ZeroBox()->isChecked());

    // An attribute's value is always normal text and never EMPTY: its output
    // page offers neither; an element's offers both.
    for (const auto& [path, enabled] :
         std::vector<std::pair<std::string, bool>>{{"0/0/0", false}, {"0/0", true}}) {
        CXMLNodePropSheet sheet(context, path);
        auto* outputPage = dynamic_cast<CXMLNodeOutputPropPage*>(sheet.Page(sheet.PageCount() - 1));
        ASSERT_NE(outputPage, nullptr) << path;
        for (QAbstractButton* button : outputPage->ValueTypeGroup()->buttons()) {
            EXPECT_EQ(button->isEnabled(), enabled) << path;
        }
        EXPECT_EQ(outputPage->EmptyElementBox()->isEnabled(), enabled) << path;
    }

    CXMLOutputPropSheet output(context);
    auto* formatting = static_cast<CXMLOutputFormattingPropPage*>(output.Page(0));
    EXPECT_EQ(formatting->EncodingBox()->currentText(), "Western European (windows-1252)");
    EXPECT_EQ(formatting->EncodingBox()->count(), 53);
    EXPECT_FALSE(formatting->StandaloneBox()->isChecked());
    auto* files = static_cast<CXMLOutputFilesPropPage*>(output.Page(1));
    EXPECT_TRUE(files->PerRowBox()->isChecked());
    EXPECT_EQ(files->ColumnBox()->currentText(), "date");
    auto* other = static_cast<CXMLOutputOtherPropPage*>(output.Page(2));
    EXPECT_EQ(other->StylesheetField()->FileName(), "style.xsl");
    EXPECT_EQ(other->SchemaField()->FileName(), "orders.xsd");
    EXPECT_EQ(other->FirstIdBox()->value(), 100);

    CXMLTargetPropSheet target(context);
    EXPECT_EQ(target.DoctypePage()->RootEdit()->text(), "orders");
    EXPECT_EQ(target.DoctypePage()->DtdEdit()->text(), "orders.dtd");
    auto* custom = static_cast<CXMLTargetCustomPropPage*>(target.Page(2));
    EXPECT_EQ(custom->TextEdit()->toPlainText(), "<!-- a -->\n<!-- b -->");

    CODBCAdvancedPropSheet advanced(context);
    auto* connection = static_cast<CODBCAdvancedPropPage*>(advanced.Page(0));
    EXPECT_EQ(connection->AdditionalEdit()->toPlainText(), "A=1;\nB=2;\n");
}

TEST_F(PropertySheetsTest, OutputSheetFindsUtf8AndMarksMissingConverters) {
    controller.Definition().SetEncoding("utf-8");
    // An attribute's value is always normal text and never EMPTY: its output
    // page offers neither; an element's offers both.
    for (const auto& [path, enabled] :
         std::vector<std::pair<std::string, bool>>{{"0/0/0", false}, {"0/0", true}}) {
        CXMLNodePropSheet sheet(context, path);
        auto* outputPage = dynamic_cast<CXMLNodeOutputPropPage*>(sheet.Page(sheet.PageCount() - 1));
        ASSERT_NE(outputPage, nullptr) << path;
        for (QAbstractButton* button : outputPage->ValueTypeGroup()->buttons()) {
            EXPECT_EQ(button->isEnabled(), enabled) << path;
        }
        EXPECT_EQ(outputPage->EmptyElementBox()->isEnabled(), enabled) << path;
    }

    CXMLOutputPropSheet output(context);
    auto* formatting = static_cast<CXMLOutputFormattingPropPage*>(output.Page(0));
    EXPECT_EQ(formatting->EncodingBox()->currentText(), "Unicode (utf-8)");
    const int hz = formatting->EncodingBox()->findData("hz-gb-2312");
    ASSERT_GE(hz, 0);
    EXPECT_TRUE(formatting->EncodingBox()->itemText(hz).endsWith("not available here"));
}

TEST_F(PropertySheetsTest, SortButtonsToggle) {
    CSourceSortPropSheet sort(context);
    QPushButton* button = static_cast<CSourceSortPropPage*>(sort.Page(0))->OrderButton(1);
    EXPECT_EQ(button->text(), "Ascending");
    button->click();
    EXPECT_EQ(button->text(), "Descending");
    button->click();
    EXPECT_EQ(button->text(), "Ascending");
}

TEST_F(PropertySheetsTest, InvalidInputKeepsTheSheetOpen) {
    CSourceColumnPropSheet column(context, 0);
    column.show();
    static_cast<CSourceColumnPropPage*>(column.Page(0))->NameEdit()->clear();
    column.accept();
    EXPECT_TRUE(column.isVisible());
    EXPECT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(controller.Definition().Columns()[0].name, "price");
    // Spin boxes take no text that is not a number.
    CSourceFiltersPropSheet filters(context);
    QSpinBox* first = static_cast<CSourceFiltersPropPage*>(filters.Page(0))->FirstRowBox();
    first->setFocus();
    first->selectAll();
    QTest::keyClicks(first, "abc");
    first->interpretText();
    EXPECT_EQ(first->value(), 2);
}

TEST_F(PropertySheetsTest, CustomTextTakesAutoTextAtTheCaret) {
    QStringList answers = {"{NOW}", ""};
    context.chooseAutoText = [&answers](QWidget*) { return answers.takeFirst(); };
    CXMLTargetPropSheet sheet(context);
    auto* custom = static_cast<CXMLTargetCustomPropPage*>(sheet.Page(2));
    ASSERT_EQ(custom->TextEdit()->toPlainText(), "<!-- a -->\n<!-- b -->");
    QTextCursor caret = custom->TextEdit()->textCursor();
    caret.setPosition(10);  // the end of the first line
    custom->TextEdit()->setTextCursor(caret);
    QTest::mouseClick(custom->AutoTextButton(), Qt::LeftButton);
    QTest::mouseClick(custom->AutoTextButton(), Qt::LeftButton);  // cancelled
    EXPECT_EQ(custom->TextEdit()->toPlainText(), "<!-- a -->{NOW}\n<!-- b -->");
    sheet.accept();
    EXPECT_EQ(controller.Definition().Settings().customtext, "<!-- a -->{NOW}\r\n<!-- b -->");
    EXPECT_EQ(recorder.codes, std::vector<int32_t>{ChangeCode::kTree});
}

TEST(FormatPanelsTest, LiveExamples) {
    testsupport::EnglishConventions english;  // the examples follow the regional settings
    CFormatDateTimeDlg date;
    date.SetClock([] {
        DateTimeParts parts;
        parts.day = 8;
        parts.month = 11;
        parts.year = 126;
        parts.hour = 14;
        parts.minute = 5;
        return parts;
    });
    date.FormatBox()->setEditText("DD.MM.YYYY");
    EXPECT_EQ(date.ExampleText(), "08.12.2026");
    date.FormatBox()->setEditText("DD.MM.YYYY hh:mm");
    EXPECT_EQ(date.ExampleText(), "08.12.2026 14:05");

    // The real clock: today in the pattern.
    CFormatDateTimeDlg today;
    today.FormatBox()->setEditText("DD.MM.YYYY");
    EXPECT_EQ(today.ExampleText(), QDate::currentDate().toString("dd.MM.yyyy"));

    CFormatNumberDlg number;
    number.SetRegionalSettings(RegionalSettings::For("C.UTF-8"));
    number.DecimalsBox()->setCurrentIndex(3);  // "2"
    number.ThousandsBox()->setChecked(true);
    EXPECT_EQ(number.ExampleText(), "1,234,567,890.12");
    number.ThousandsBox()->setChecked(false);
    EXPECT_EQ(number.ExampleText(), "1234567890.12");
    number.DecimalsBox()->setCurrentIndex(0);
    EXPECT_EQ(number.ExampleText(), "1234567890.123");
}

TEST(AutoTextDialogTest, ListsTheTokens) {
    CAutoTextDlg dialog;
    ASSERT_EQ(dialog.List()->topLevelItemCount(), 17);
    EXPECT_EQ(dialog.List()->topLevelItem(10)->text(0), "{ID}");
    EXPECT_EQ(dialog.List()->topLevelItem(10)->text(1), "A unique number generated by Datavane.");
    dialog.List()->setCurrentItem(dialog.List()->topLevelItem(12));
    EXPECT_EQ(dialog.SelectedToken(), "{ROW}");
}
