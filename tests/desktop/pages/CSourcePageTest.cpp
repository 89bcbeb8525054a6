#include "pages/CSourcePage.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "PageTestSupport.h"
#include "controller/ChangeCode.h"
#include "pages/CBackgroundTask.h"
#include "pages/CDelimitedTextFileSourcePageDlg.h"
#include "pages/CFileNameField.h"
#include "pages/CFixedColumnEditor.h"
#include "pages/CFixedTextFileSourcePageDlg.h"
#include "pages/CODBCFileSourcePageDlg.h"
#include "pages/CODBCSourcePageDlg.h"
#include "pages/CSPanel.h"
#include "pages/CSourceTextPreview.h"
#include "pages/CSourceTypePageDlg.h"
#include "workbench/SourceReading.h"
#include "workbench/SourceSettings.h"

namespace {

struct SourcePageTest : ::testing::Test, PageFixture<CSourcePage> {
    void ChooseType(int type) {
        ClickButton(
            page->TypePanel()->findChild<QRadioButton*>(QStringLiteral("sourceType%1").arg(type)));
    }
    void TypeFileName(QLineEdit* edit, const std::string& path) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromStdString(path));
        QTest::keyClick(edit, Qt::Key_Return);
    }
    std::vector<std::string> ColumnNames() {
        std::vector<std::string> names;
        for (const CSCol& column : controller.Definition().Columns()) {
            names.push_back(column.name);
        }
        return names;
    }
    void WaitForPreview() { ASSERT_TRUE(page->Preview()->Task().WaitForIdle()); }
};

}  // namespace

TEST_F(SourcePageTest, EachTypeShowsItsFormAndPreview) {
    WriteFile("in.csv", "a;b\n1;2\n");
    const struct {
        int type;
        QWidget* form;
        const char* title;
        bool preview;
    } cases[] = {
        {DVFileSettings::kFixedWidthText, page->FixedForm(), "Fixed Column Text File Properties",
         true},
        {DVFileSettings::kOdbc, page->OdbcForm(), "ODBC Connection Properties", false},
        {DVFileSettings::kExcel, page->FileForm(), "ODBC File Properties", false},
        {DVFileSettings::kAccess, page->FileForm(), "ODBC File Properties", false},
        {DVFileSettings::kDelimitedText, page->DelimitedForm(), "Delimited Text File Properties",
         true},
    };
    for (const auto& c : cases) {
        recorder.codes.clear();
        ChooseType(c.type);
        EXPECT_EQ(controller.Definition().Settings().sourcetype, c.type);
        EXPECT_EQ(recorder.codes, std::vector<int32_t>{ChangeCode::kSourceType}) << c.title;
        EXPECT_EQ(page->CurrentForm(), c.form) << c.title;
        EXPECT_EQ(page->FormPanel()->Title(), c.title);
        EXPECT_EQ(page->PreviewPanel()->isVisible(), c.preview) << c.title;
        EXPECT_FALSE(page->TypePanel()->findChild<QLabel*>("description")->text().isEmpty());
    }
    // A delimited file fills the preview; switching to ODBC clears it.
    TypeFileName(page->DelimitedForm()->FileField()->Edit(), dir.File("in.csv"));
    EXPECT_EQ(page->Preview()->toPlainText(), CSourceTextPreview::kUpdating);
    WaitForPreview();
    EXPECT_EQ(page->Preview()->toPlainText(), "a;b\n1;2\n");
    ChooseType(DVFileSettings::kOdbc);
    EXPECT_TRUE(page->Preview()->toPlainText().isEmpty());
    // An unreadable file leaves it empty.
    ChooseType(DVFileSettings::kDelimitedText);
    TypeFileName(page->DelimitedForm()->FileField()->Edit(), dir.File("missing.csv"));
    WaitForPreview();
    EXPECT_TRUE(page->Preview()->toPlainText().isEmpty());
}

TEST_F(SourcePageTest, DelimitersRereadTheColumns) {
    WriteFile("in.txt", "name;city|zip\nAnn;Oslo|0150\n");
    CDelimitedTextFileSourcePageDlg* form = page->DelimitedForm();
    TypeFileName(form->FileField()->Edit(), dir.File("in.txt"));
    EXPECT_EQ(recorder.codes, std::vector<int32_t>{ChangeCode::kSource});
    // The first file of a definition chooses its delimiter.
    EXPECT_EQ(controller.Definition().Settings().delimiter, ";");
    EXPECT_TRUE(form->SemicolonBox()->isChecked());
    EXPECT_FALSE(form->CommaBox()->isChecked());
    EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"name", "city|zip"}));

    recorder.codes.clear();
    form->OtherEdit()->setFocus();
    QTest::keyClicks(form->OtherEdit(), "|");
    EXPECT_TRUE(form->OtherBox()->isChecked());
    EXPECT_EQ(controller.Definition().Settings().delimiter, ";|");
    EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"name", "city", "zip"}));
    ClickButton(form->SemicolonBox());
    EXPECT_EQ(controller.Definition().Settings().delimiter, "|");
    EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"name;city", "zip"}));
    ClickButton(form->SemicolonBox());
    EXPECT_EQ(recorder.codes, (std::vector<int32_t>{31, 31, 31}));

    // No header row: the first line becomes data, the columns keep their names.
    ClickButton(form->FirstRowBox());
    EXPECT_FALSE(controller.Definition().Settings().firstrowhascolnames);
    EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"name", "city", "zip"}));
    ClickButton(form->MergeBox());
    EXPECT_TRUE(controller.Definition().Settings().treatconsecutivedelimsasone);
    // Nothing ticked falls back to the comma.
    ClickButton(form->SemicolonBox());
    ClickButton(form->OtherBox());
    EXPECT_EQ(controller.Definition().Settings().delimiter, ",");
    EXPECT_TRUE(form->CommaBox()->isChecked());
}

TEST_F(SourcePageTest, QuotedLineBreaksAreOnForNewDefinitionsAndRereadTheColumns) {
    CDelimitedTextFileSourcePageDlg* form = page->DelimitedForm();
    controller.New();
    EXPECT_TRUE(controller.Definition().Settings().quotedlinebreaks);
    EXPECT_TRUE(form->QuotedLineBreaksBox()->isChecked());
    // A column name that runs over two lines is one name.
    WriteFile("multi.csv", "\"first\nname\",city\nAnn,Oslo\n");
    TypeFileName(form->FileField()->Edit(), dir.File("multi.csv"));
    EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"first\nname", "city"}));
    recorder.codes.clear();
    ClickButton(form->QuotedLineBreaksBox());
    EXPECT_FALSE(controller.Definition().Settings().quotedlinebreaks);
    EXPECT_EQ(recorder.codes, std::vector<int32_t>{ChangeCode::kSource});
    EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"first"}));  // the first line only
}

TEST_F(SourcePageTest, BrowseUsesTheTextFilter) {
    WriteFile("in.csv", "a,b\n1,2\n");
    prompter.fileNames = {QString::fromStdString(dir.File("in.csv"))};
    QTest::mouseClick(page->DelimitedForm()->FileField()->BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.fileDialogFilters.back(), "Text Files (*.txt *.csv);;All Files (*)");
    EXPECT_EQ(controller.Definition().Settings().sourcefilename, dir.File("in.csv"));
    EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SourcePageTest, WorkbookAndAccessFiltersComeFromTheirDrivers) {
    ChooseType(DVFileSettings::kExcel);
    QTest::mouseClick(page->FileForm()->FileField()->BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.fileDialogFilters.back(), "Microsoft Excel Files (*.xlsx *.xls)");
    ChooseType(DVFileSettings::kAccess);
    QTest::mouseClick(page->FileForm()->FileField()->BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.fileDialogFilters.back(), "Microsoft Access Files (*.mdb *.accdb)");
}

TEST_F(SourcePageTest, FixedColumnBreaksFromTheMouse) {
    WriteFile("fixed.txt", "ID  NAME      CITY\n1   Ann       Oslo\n2   Bob       Rome\n");
    ChooseType(DVFileSettings::kFixedWidthText);
    CFixedTextFileSourcePageDlg* form = page->FixedForm();
    ClickButton(form->FirstRowBox());  // the first row has names
    TypeFileName(form->FileField()->Edit(), dir.File("fixed.txt"));
    WaitForPreview();
    CFixedColumnEditor* editor = page->ColumnEditor();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->LineLength(), 18);
    // Detected from the first line: "ID  " and "NAME      " before CITY.
    EXPECT_EQ(editor->Breaks(), (std::vector<int>{4, 14}));
    EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"ID", "NAME", "CITY"}));

    const int y = editor->RulerHeight() + 5;
    auto at = [&](int position) { return QPoint(editor->PixelForPosition(position), y); };
    // Click: a new break at 8 splits NAME.
    recorder.codes.clear();
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, at(8));
    EXPECT_EQ(editor->Breaks(), (std::vector<int>{4, 8, 14}));
    EXPECT_EQ(recorder.codes, std::vector<int32_t>{ChangeCode::kSource});
    std::vector<int> widths;
    for (const CSCol& column : controller.Definition().Columns()) {
        widths.push_back(column.width);
    }
    EXPECT_EQ(widths, (std::vector<int>{4, 4, 6, 4}));

    // Drag the break at 8 to 10, showing the width while it moves.
    QTest::mousePress(editor->viewport(), Qt::LeftButton, {}, at(8));
    QMouseEvent move(QEvent::MouseMove, at(10), editor->viewport()->mapToGlobal(at(10)),
                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor->viewport(), &move);
    EXPECT_EQ(editor->WidthText(), "Width: 6");
    QTest::mouseRelease(editor->viewport(), Qt::LeftButton, {}, at(10));
    EXPECT_TRUE(editor->WidthText().isEmpty());
    EXPECT_EQ(editor->Breaks(), (std::vector<int>{4, 10, 14}));
    EXPECT_EQ(controller.Definition().Columns()[1].width, 6);

    // Double click deletes it again.
    QTest::mouseDClick(editor->viewport(), Qt::LeftButton, {}, at(10));
    EXPECT_EQ(editor->Breaks(), (std::vector<int>{4, 14}));
    EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"ID", "NAME", "CITY"}));

    // From the keyboard: select the first break and move it right.
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(editor->SelectedBreak(), 0);
    QTest::keyClick(editor, Qt::Key_Right);
    EXPECT_EQ(editor->Breaks(), (std::vector<int>{5, 14}));
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->Breaks(), (std::vector<int>{14}));

    // Assistive tools hear the breaks and the caret as they change.
    EXPECT_EQ(editor->accessibleName(), "Column breaks");
    EXPECT_TRUE(editor->accessibleDescription().startsWith(
        "Column breaks after characters 14. Caret after character 5."))
        << editor->accessibleDescription().toStdString();
    QTest::keyClick(editor, Qt::Key_Space);
    EXPECT_TRUE(editor->accessibleDescription().startsWith("Column breaks after characters 5, 14."))
        << editor->accessibleDescription().toStdString();
}

TEST(FixedColumnEditorTest, WidthsAndBreaks) {
    EXPECT_EQ(CFixedColumnEditor::WidthsForBreaks({4, 10}, 15), (std::vector<int>{4, 6, 5}));
    EXPECT_EQ(CFixedColumnEditor::WidthsForBreaks({}, 15), (std::vector<int>{15}));
    EXPECT_EQ(CFixedColumnEditor::WidthsForBreaks({15}, 15), (std::vector<int>{15, 1}));
    EXPECT_EQ(CFixedColumnEditor::BreaksForWidths({4, 6, 5}), (std::vector<int>{4, 10}));
    EXPECT_TRUE(CFixedColumnEditor::BreaksForWidths({7}).empty());
}

TEST_F(SourcePageTest, OdbcFormListsDriversAndTestsConnections) {
    ChooseType(DVFileSettings::kOdbc);
    CODBCSourcePageDlg* form = page->OdbcForm();
    EXPECT_GE(form->DriverBox()->findText("SQLite3"), 0);
    EXPECT_EQ(form->PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(form->AdvancedButton()->isEnabled());

    // A SQLite database through a file DSN: success.
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(dir.File("lite.db").c_str(), &db), SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE t (x TEXT);", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    WriteFile("lite.dsn", "[ODBC]\nDRIVER=SQLite3\nDatabase=" + dir.File("lite.db") + "\n");
    form->DriverBox()->setCurrentText("SQLite3");
    emit form->DriverBox()->textActivated("SQLite3");
    ClickButton(form->findChildren<QRadioButton*>().at(1));  // File DSN
    TypeFileName(form->FileDsnField()->Edit(), dir.File("lite.dsn"));
    QTest::mouseClick(form->TestButton(), Qt::LeftButton);
    ASSERT_TRUE(form->TestTask().WaitForIdle());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Success!\r\n\r\nTarnwright Datavane successfully connected to the data source. ");
    EXPECT_EQ(prompter.messages[0].icon, IPrompter::Icon::kInformation);
    EXPECT_EQ(prompter.messages[0].caption, "Tarnwright Datavane");
    prompter.messages.clear();

    // A server that is not there: the driver's error, with an error icon.
    WriteFile("dead.dsn",
              "[ODBC]\nDRIVER=PostgreSQL Unicode\nServername=127.0.0.1\nPort=1\n"
              "Database=none\n");
    form->DriverBox()->setCurrentText("PostgreSQL Unicode");
    emit form->DriverBox()->textActivated("PostgreSQL Unicode");
    ClickButton(form->findChildren<QRadioButton*>().at(1));  // File DSN
    TypeFileName(form->FileDsnField()->Edit(), dir.File("dead.dsn"));
    EXPECT_EQ(controller.Definition().Settings().dsntype, 1);
    QTest::mouseClick(form->TestButton(), Qt::LeftButton);
    EXPECT_FALSE(form->TestButton()->isEnabled());
    ASSERT_TRUE(form->TestTask().WaitForIdle());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].text.startsWith("ODBC Connection Failed"))
        << prompter.messages[0].text.toStdString();
    EXPECT_EQ(prompter.messages[0].icon, IPrompter::Icon::kError);
    EXPECT_TRUE(form->TestButton()->isEnabled());
}

TEST_F(SourcePageTest, OnlyAChangedFileIsReadAgain) {
    int reads = 0;
    page->Preview()->SetReader([&reads](const std::string& path) {
        ++reads;
        return SourceReading::ReadSourceText(path);
    });
    WriteFile("in.csv", "id,amount\n1,2.5\n");
    WriteFile("other.csv", "x\n1\n");
    DVFile& definition = controller.Definition();
    SourceSettings::SetSourceFileName(definition, dir.File("in.csv"));
    controller.Changed(ChangeCode::kSource);
    WaitForPreview();
    ASSERT_EQ(reads, 1);
    ASSERT_EQ(definition.Columns().size(), 2u);

    // A column's number format, then a reopened definition of the same file.
    definition.Column(1).dataType = DataTypeProperties::kNumber;
    definition.Column(1).precision = 2;
    controller.Changed(ChangeCode::kSource);
    controller.Notify(ChangeCode::kAll);
    WaitForPreview();
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(page->Preview()->toPlainText(), "id,amount\n1,2.5\n");

    // Another file, and the same file changed on disk, are read.
    SourceSettings::SetSourceFileName(definition, dir.File("other.csv"));
    controller.Changed(ChangeCode::kSource);
    WaitForPreview();
    EXPECT_EQ(reads, 2);
    WriteFile("other.csv", "x\n1\n2\n");
    controller.Changed(ChangeCode::kSource);
    WaitForPreview();
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(page->Preview()->toPlainText(), "x\n1\n2\n");
}
