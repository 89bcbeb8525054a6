#include "pages/CDataSelectionPage.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "PageTestSupport.h"
#include "controller/ChangeCode.h"
#include "pages/CBackgroundTask.h"
#include "pages/CSQLQueryPageDlg.h"
#include "pages/CSourceColumnsListView.h"
#include "pages/CSourceTableListView.h"
#include "workbench/DatabaseCatalog.h"
#include "workbench/SourceReading.h"
#include "workbench/SourceSettings.h"

namespace {

struct DataSelectionPageTest : ::testing::Test, PageFixture<CDataSelectionPage> {
    // An SQLite database with 150 rows in "My Items", reached by a file DSN.
    void UseSqlite() {
        const std::string path = dir.File("test.db");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        std::string sql =
            "CREATE TABLE \"My Items\" (name TEXT, qty INTEGER);"
            "CREATE TABLE other (x TEXT);";
        for (int i = 1; i <= 150; ++i) {
            sql += "INSERT INTO \"My Items\" VALUES ('item" + std::to_string(i) + "', " +
                   std::to_string(i) + ");";
        }
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        WriteFile("lite.dsn", "[ODBC]\nDRIVER=SQLite3\nDatabase=" + path + "\n");
        DVFile& definition = controller.Definition();
        definition.SetSourceType(DVFileSettings::kOdbc);
        definition.SetOdbcDriver("SQLite3");
        definition.SetDsnType(1);
        definition.SetFileDsn(dir.File("lite.dsn"));
        controller.Changed(ChangeCode::kSourceType);
    }
    CSQLQueryPageDlg* Form() { return page->QueryForm(); }
};

}  // namespace

TEST_F(DataSelectionPageTest, ColumnListTexts) {
    DVFile& definition = controller.Definition();
    const struct {
        const char* name;
        int type;
        bool empty, zero, useLast;
        int caseType;
        const char* defaultValue;
        QStringList expected;
    } cases[] = {
        {"a", 0, false, false, false, 0, "", {"a", "4", "Text", "", "", ""}},
        {"b", 1, true, false, false, 1, "0", {"b", "4", "Number", "Empty", "UPPER", "0"}},
        {"c", 2, false, true, false, 2, "x", {"c", "4", "Date/Time", "Zero", "lower", "x"}},
        {"d",
         0,
         true,
         true,
         true,
         3,
         "x",
         {"d", "4", "Text", "Empty/Zero", "Proper", "(Use Last Value)"}},
    };
    for (const auto& c : cases) {
        CSCol column(c.name);
        column.dataType = c.type;
        column.skipIfEmpty = c.empty;
        column.skipIfZero = c.zero;
        column.useLastIfEmpty = c.useLast;
        column.caseType = c.caseType;
        column.defaultValue = c.defaultValue;
        definition.AddColumn(column);
    }
    controller.Changed(ChangeCode::kSource);
    CSourceColumnsListView* list = page->ColumnList();
    ASSERT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(list->headerItem()->text(0), "Column Name");
    EXPECT_EQ(list->headerItem()->text(5), "Default Value");
    for (int i = 0; i < 4; ++i) {
        QStringList row;
        for (int c = 0; c < 6; ++c) {
            row << list->topLevelItem(i)->text(c);
        }
        EXPECT_EQ(row, cases[i].expected) << i;
    }
    // Text sources have no table selection.
    EXPECT_FALSE(page->DatabasePanels()->isVisible());
    int opened = -1;
    page->SetColumnPropertiesHandler([&opened](int index) { opened = index; });
    emit list->itemActivated(list->topLevelItem(2), 0);
    EXPECT_EQ(opened, 2);
}

TEST_F(DataSelectionPageTest, ATestOvertakenByAnEditOffersToTestAgain) {
    UseSqlite();
    ASSERT_TRUE(Form()->TableTask().WaitForIdle());
    ClickButton(Form()->findChildren<QRadioButton*>().at(1));
    controller.Definition().SetSqlQuery("SELECT qty AS amount FROM \"My Items\"");
    controller.Changed(ChangeCode::kSelection);
    const size_t columns = controller.Definition().Columns().size();
    prompter.answers = {IPrompter::Answer::kYes};
    QTest::mouseClick(Form()->TestButton(), Qt::LeftButton);
    // An edit while the test runs: its columns are not taken.
    controller.Definition().SetTargetFileName("edited.xml");
    controller.Changed(ChangeCode::kNone);
    // Answered at once when it is asked: the columns are not taken then.
    prompter.onMessage = [&](const ScriptedPrompter::Shown& shown) {
        if (shown.buttons == IPrompter::Buttons::kYesNo) {
            EXPECT_EQ(controller.Definition().Columns().size(), columns);
        }
    };
    ASSERT_TRUE(Form()->TestTask().WaitForIdle());
    ASSERT_GE(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].text.contains("The definition changed while the test ran"))
        << prompter.messages[0].text.toStdString();
    EXPECT_EQ(prompter.messages[0].buttons, IPrompter::Buttons::kYesNo);
    // Yes tests again, and that test's columns are taken.
    QTest::qWait(50);
    ASSERT_TRUE(Form()->TestTask().WaitForIdle());
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].text, "Success!");
    ASSERT_EQ(controller.Definition().Columns().size(), 1u);
    EXPECT_EQ(controller.Definition().Columns()[0].name, "amount");
    EXPECT_EQ(controller.Definition().Settings().targetfilename, "edited.xml");
}

TEST_F(DataSelectionPageTest, TablesPreviewAndTest) {
    UseSqlite();
    ASSERT_TRUE(page->DatabasePanels()->isVisible());
    ASSERT_TRUE(Form()->TableTask().WaitForIdle());
    QComboBox* tables = Form()->TableBox();
    ASSERT_EQ(tables->count(), 2);
    EXPECT_EQ(tables->itemText(0), "My Items");
    EXPECT_EQ(tables->itemText(1), "other");

    recorder.codes.clear();
    tables->setCurrentIndex(0);
    emit tables->textActivated("My Items");
    EXPECT_EQ(controller.Definition().Settings().sqltablename, "My Items");
    EXPECT_EQ(recorder.codes, std::vector<int32_t>{ChangeCode::kSelection});
    EXPECT_EQ(page->ColumnList()->topLevelItemCount(), 2);

    // The first 100 rows, off the user interface thread.
    ASSERT_TRUE(page->TablePreview()->Task().WaitForIdle());
    CSourceTableListView* preview = page->TablePreview();
    EXPECT_EQ(preview->rowCount(), 100);
    EXPECT_EQ(preview->columnCount(), 2);
    EXPECT_EQ(preview->horizontalHeaderItem(0)->text(), "name");
    EXPECT_EQ(preview->item(99, 0)->text(), "item100");
    EXPECT_EQ(preview->item(0, 1)->text(), "1");

    // A query: Test reads its columns.
    ClickButton(Form()->findChildren<QRadioButton*>().at(1));
    EXPECT_EQ(controller.Definition().Settings().sqltype, 1);
    Form()->QueryEdit()->setFocus();
    QTest::keyClicks(Form()->QueryEdit(), "SELECT qty AS amount FROM \"My Items\"");
    QTest::mouseClick(Form()->TestButton(), Qt::LeftButton);
    ASSERT_TRUE(Form()->TestTask().WaitForIdle());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Success!");
    EXPECT_EQ(prompter.messages[0].icon, IPrompter::Icon::kInformation);
    ASSERT_EQ(controller.Definition().Columns().size(), 1u);
    EXPECT_EQ(controller.Definition().Columns()[0].name, "amount");
    EXPECT_EQ(controller.Definition().Settings().sqlquery,
              "SELECT qty AS amount FROM \"My Items\"");

    // A broken query: the driver's error, nothing changed.
    Form()->QueryEdit()->selectAll();
    QTest::keyClicks(Form()->QueryEdit(), "SELECT nothing FROM nowhere");
    QTest::mouseClick(Form()->TestButton(), Qt::LeftButton);
    ASSERT_TRUE(Form()->TestTask().WaitForIdle());
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_TRUE(prompter.messages[1].text.startsWith("Failed to execute the SQL query:"))
        << prompter.messages[1].text.toStdString();
    EXPECT_TRUE(prompter.messages[1].text.endsWith("The columns were left as they were."));
    EXPECT_EQ(prompter.messages[1].icon, IPrompter::Icon::kError);
    ASSERT_EQ(controller.Definition().Columns().size(), 1u);
    EXPECT_EQ(controller.Definition().Columns()[0].name, "amount");
}

TEST_F(DataSelectionPageTest, AFormatChangeNeitherListsTablesNorReadsRowsAgain) {
    int lists = 0;
    int reads = 0;
    Form()->SetTableLister([&lists](const DVFile& definition, std::string& error) {
        ++lists;
        return DatabaseCatalog::ListTables(definition, error);
    });
    page->TablePreview()->SetReader(
        [&reads](const DVFile& definition, const SourceReading::KeepGoing& keepGoing) {
            ++reads;
            return SourceReading::ReadTablePreviewInputs(definition, SourceReading::kPreviewRows,
                                                         keepGoing);
        });
    UseSqlite();
    controller.Definition().SetLocale("C");  // numbers as "2.00" whatever the user's
    SourceSettings::SetSqlTableName(controller.Definition(), "My Items");
    controller.Changed(ChangeCode::kSelection);
    ASSERT_EQ(controller.Definition().Columns().size(), 2u);
    controller.Definition().Column(1).dataType = DataTypeProperties::kNumber;
    controller.Changed(ChangeCode::kSource);
    // A format changed while the rows are read: they come in it.
    controller.Definition().Column(1).precision = 1;
    controller.Changed(ChangeCode::kSource);
    ASSERT_TRUE(Form()->TableTask().WaitForIdle());
    ASSERT_TRUE(page->TablePreview()->Task().WaitForIdle());
    CSourceTableListView* preview = page->TablePreview();
    ASSERT_EQ(preview->rowCount(), 100);
    EXPECT_EQ(preview->item(1, 1)->text(), "2.0");
    const int listed = lists;
    const int read = reads;
    EXPECT_EQ(listed, 1);

    // Two decimals and a new name: the rows already read show them.
    controller.Definition().Column(1).precision = 2;
    controller.Definition().Column(1).name = "amount";
    controller.Changed(ChangeCode::kSource);
    ASSERT_TRUE(preview->Task().WaitForIdle());
    EXPECT_EQ(lists, listed);
    EXPECT_EQ(reads, read);
    EXPECT_EQ(preview->item(1, 1)->text(), "2.00");
    EXPECT_EQ(preview->horizontalHeaderItem(1)->text(), "amount");

    // Another table reads rows again, on the same connection; another
    // connection lists the tables again.
    SourceSettings::SetSqlTableName(controller.Definition(), "other");
    controller.Changed(ChangeCode::kSelection);
    ASSERT_TRUE(preview->Task().WaitForIdle());
    EXPECT_EQ(reads, read + 1);
    EXPECT_EQ(lists, listed);
    controller.Definition().SetUserName("someone");
    controller.Changed(ChangeCode::kSource);
    ASSERT_TRUE(Form()->TableTask().WaitForIdle());
    EXPECT_EQ(lists, listed + 1);
}
