#include <sqlite3.h>

#include <gtest/gtest.h>

#include "FixedEnvironment.h"
#include "OrdersWorkbook.h"
#include "TestSupport.h"
#include "base/ResultCode.h"
#include "db/CODBCManager.h"
#include "db/ConnectionFactory.h"
#include "model/RegionalTestSupport.h"
#include "output/ParallelRowWriter.h"
#include "run/DVRun.h"
#include "run/RunTestSupport.h"
#include "sources/ODBCDataSource.h"
#include "workbench/SourceSettings.h"

using namespace testsupport;

namespace {

std::string Chomp(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string PostgresConnection() {
    const std::string text = Chomp(ReadFile(std::string(DV_POSTGRES_STATE) + "/connection"));
    EXPECT_FALSE(text.empty()) << "the PostgreSQL fixture did not start";
    return text;
}

std::string FruitDatabase() {
    return std::string(DV_MDB_FOLDER) + "/fruit.mdb";
}

// A file DSN for the test cluster (value pairs of its connection string).
std::string PostgresFileDsn(const TempDir& dir) {
    std::string connection = PostgresConnection();
    std::string body = "[ODBC]\n";
    size_t pos = 0;
    while (pos < connection.size()) {
        size_t end = connection.find(';', pos);
        if (end == std::string::npos) {
            end = connection.size();
        }
        std::string pair = connection.substr(pos, end - pos);
        if (pair.rfind("DRIVER={", 0) == 0) {
            pair = "DRIVER=" + pair.substr(8, pair.size() - 9);
        }
        if (!pair.empty()) {
            body += pair + "\n";
        }
        pos = end + 1;
    }
    const std::string path = dir.File("test.dsn");
    WriteFile(path, body);
    return path;
}

DVFile PostgresDefinition(const TempDir& dir) {
    DVFile definition;
    SourceSettings::SetSourceType(definition, DVFileSettings::kOdbc);
    definition.SetOdbcDriver("PostgreSQL Unicode");
    definition.SetDsnType(1);
    definition.SetFileDsn(PostgresFileDsn(dir));
    definition.SetAutoAddNodes(true);
    definition.SetTargetFileName(dir.File("out.xml"));
    definition.SetEncoding("utf-8");
    return definition;
}

std::vector<std::vector<std::string>> Rows(DVFile& definition, int32_t* code = nullptr,
                                           std::string* error = nullptr) {
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    int32_t result = source->Validate(definition);
    if (result == kSuccess) {
        result = source->Open(definition, 0);
    }
    if (code) {
        *code = result;
    }
    if (error) {
        *error = source->ErrorText();
    }
    std::vector<std::vector<std::string>> rows;
    while (result == kSuccess && source->NextRow()) {
        std::vector<std::string> row;
        for (size_t i = 0; i < source->Columns().size(); ++i) {
            row.push_back(source->GetColumnValue(static_cast<int32_t>(i), false));
        }
        rows.push_back(row);
    }
    if (error && result == kSuccess) {
        *error = source->ErrorText();
    }
    return rows;
}

TEST(DatabaseSourceTest, PostgresTableThroughAFileDsn) {
    EnglishConventions english;
    TempDir dir;
    DVFile definition = PostgresDefinition(dir);
    ASSERT_TRUE(
        SourceSettings::SetSqlTableName(definition, "Sales Orders"));  // a name with a space
    // The binary column is left out; the kinds follow the database types.
    std::vector<std::string> names;
    for (const CSCol& column : definition.Columns()) {
        names.push_back(column.name + ":" + std::to_string(column.dataType));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"id:1", "country:0", "city:0", "amount:1", "ratio:1",
                                               "placed:2", "note:0"}));
    definition.Column(5).format = "YYYY-MM-DD hh:mm";
    const auto rows = Rows(definition);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "Spain", "Madrid", "3.50", "0.25",
                                                 "2024-01-05 10:20", "first"}));
    // NULLs are empty; NUMERIC(10,2) keeps its two decimals.
    EXPECT_EQ(rows[1][3], "12.00");
    EXPECT_EQ(rows[1][6], "");
    EXPECT_EQ(rows[3][2], "");
    EXPECT_EQ(rows[2][3], "1234.57");
}

TEST(DatabaseSourceTest, QueriesFiltersSortsAndRowRanges) {
    TempDir dir;
    DVFile definition = PostgresDefinition(dir);
    definition.SetSqlType(1);
    definition.SetSqlQuery("SELECT id, country, city FROM \"Sales Orders\"");
    SourceSettings::SetSqlTableName(definition, "");
    Rows(definition);  // the columns come from the query
    ASSERT_EQ(definition.Columns().size(), 3u);
    definition.Filters()[0].SetColumnId(definition.Column(1).id);
    definition.Filters()[0].SetOperator(DVFilter::kEquals);
    definition.Filters()[0].SetValue("spain");
    auto rows = Rows(definition);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][2], "Sevilla");

    // A sort on a table becomes ORDER BY in a full run.
    DVFile sorted = PostgresDefinition(dir);
    SourceSettings::SetSqlTableName(sorted, "Sales Orders");
    sorted.SortOrders()[0] = SortOrder{sorted.Column(1).id, true};
    sorted.SortOrders()[1] = SortOrder{sorted.Column(0).id, false};
    rows = Rows(sorted);
    std::vector<std::string> ids;
    for (const auto& row : rows) {
        ids.push_back(row[0]);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"1", "3", "4", "2"}));

    DVFile range = PostgresDefinition(dir);
    SourceSettings::SetSqlTableName(range, "numbers");
    range.SetFirstRow(11);
    range.SetLastRow(20);
    rows = Rows(range);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows.front()[0], "11");
    EXPECT_EQ(rows.back()[0], "20");
}

TEST(DatabaseSourceTest, FailuresGiveTheirCodes) {
    TempDir dir;
    int32_t code = 0;
    std::string error;
    DVFile query = PostgresDefinition(dir);
    query.SetSqlType(1);
    query.SetSqlQuery("SELECT * FROM no_such_table");
    Rows(query, &code, &error);
    EXPECT_EQ(code, kOdbcSqlQuery);
    EXPECT_NE(error.find("SQL State:\t42P01"), std::string::npos) << error;

    DVFile table = PostgresDefinition(dir);
    SourceSettings::SetSqlTableName(table, "missing");
    Rows(table, &code, &error);
    EXPECT_EQ(code, kOdbcTableQuery);

    // A server that is not there: 114, with the password masked.
    DVFile dead = PostgresDefinition(dir);
    WriteFile(dir.File("dead.dsn"), "[ODBC]\nDRIVER=PostgreSQL Unicode\nServername=" +
                                        dir.File("nothing") + "\nPort=5432\nDatabase=x\n");
    dead.SetFileDsn(dir.File("dead.dsn"));
    dead.SetPassword("s3cret");
    SourceSettings::SetSqlTableName(dead, "x");
    Rows(dead, &code, &error);
    EXPECT_EQ(code, kOdbcConnect);
    EXPECT_EQ(error.rfind("ODBC Connection Failed\n\nConnection String:\t", 0), 0u) << error;
    EXPECT_NE(error.find("PWD=********"), std::string::npos) << error;
    EXPECT_EQ(error.find("s3cret"), std::string::npos);
    EXPECT_NE(error.find("SQL State:"), std::string::npos);

    const std::tuple<std::function<void(DVFile&)>, int32_t> validations[] = {
        {[](DVFile& d) { d.SetOdbcDriver(""); }, kNoOdbcDriver},
        {[](DVFile& d) { d.SetFileDsn(""); }, kNoDsn},
        {[](DVFile& d) { d.SetDsnType(0); }, kNoDsn},
        {[](DVFile& d) { d.SetSqlType(1); }, kNoSqlQuery},
        {[](DVFile&) {}, kNoSqlTable},
        {[&](DVFile& d) { SourceSettings::SetSourceFileName(d, dir.File("nope.db")); },
         kSourceFileOpen},
    };
    for (const auto& [change, expected] : validations) {
        DVFile definition = PostgresDefinition(dir);
        change(definition);
        std::unique_ptr<DVDataSource> source = CreateDataSource(DVFileSettings::kOdbc);
        EXPECT_EQ(source->Validate(definition), expected);
    }
}

TEST(DatabaseSourceTest, SqliteWithABlobBetweenTextColumns) {
    TempDir dir;
    const std::string path = dir.File("test.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE \"My Items\" (name TEXT, picture BLOB, colour TEXT, "
                           "qty INTEGER);"
                           "INSERT INTO \"My Items\" VALUES ('pen', x'0001', 'blue', 3),"
                           "('cup', NULL, NULL, NULL);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    WriteFile(dir.File("lite.dsn"), "[ODBC]\nDRIVER=SQLite3\nDatabase=" + path + "\n");
    DVFile definition;
    SourceSettings::SetSourceType(definition, DVFileSettings::kOdbc);
    definition.SetOdbcDriver("SQLite3");
    definition.SetDsnType(1);
    definition.SetFileDsn(dir.File("lite.dsn"));
    SourceSettings::SetSqlTableName(definition, "My Items");
    std::vector<std::string> names;
    for (const CSCol& column : definition.Columns()) {
        names.push_back(column.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"name", "colour", "qty"}));
    EXPECT_EQ(Rows(definition),
              (std::vector<std::vector<std::string>>{{"pen", "blue", "3"}, {"cup", "", ""}}));
    std::unique_ptr<DVDataSource> source = CreateDataSource(DVFileSettings::kOdbc);
    ASSERT_EQ(source->Open(definition, 0), kSuccess);
    std::vector<std::string> tables;
    ASSERT_TRUE(static_cast<ODBCDataSource&>(*source).GetTableNames(tables));
    EXPECT_EQ(tables, (std::vector<std::string>{"My Items"}));
}

// Rows from a database reach the workers in batches: the same bytes at
// every thread count, numbers formatted from the driver's text.
TEST(DatabaseSourceTest, DatabaseRowsWrittenOnSeveralThreads) {
    TempDir dir;
    const std::string path = dir.File("many.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::string sql = "CREATE TABLE items (name TEXT, amount REAL, qty INTEGER);";
    for (int i = 0; i < 300; ++i) {
        sql += "INSERT INTO items VALUES ('item " + std::to_string(i) + " & <more>', " +
               std::to_string(i * 12.25) + ", " + std::to_string(i % 7) + ");";
    }
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    WriteFile(dir.File("lite.dsn"), "[ODBC]\nDRIVER=SQLite3\nDatabase=" + path + "\n");
    DVFile definition;
    definition.SetAutoAddNodes(true);
    SourceSettings::SetSourceType(definition, DVFileSettings::kOdbc);
    definition.SetOdbcDriver("SQLite3");
    definition.SetDsnType(1);
    definition.SetFileDsn(dir.File("lite.dsn"));
    SourceSettings::SetSqlTableName(definition, "items");
    ASSERT_EQ(definition.Columns().size(), 3u);
    definition.Column(1).dataType = DataTypeProperties::kNumber;
    definition.Column(1).precision = 2;
    definition.Column(1).thousands = true;
    definition.SetTargetFileName(dir.File("out.xml"));
    definition.SetEncoding("utf-8");
    const std::string project = SaveDefinition(definition, dir);

    ParallelRowWriter::SetBatchRowsForTesting(7);
    std::string one;
    for (const size_t threads : {1, 2, 3}) {
        DVRun run;
        run.SetDefinitionPath(project);
        ASSERT_TRUE(run.LoadDefinition());
        run.SetThreads(threads);
        ASSERT_EQ(run.Run(), kSuccess) << run.GetDetailText();
        EXPECT_EQ(run.LastPipeline(),
                  threads == 1 ? DVRun::Pipeline::kOneThread : DVRun::Pipeline::kRowBatches);
        const std::string bytes = ReadFile(dir.File("out.xml"));
        if (threads == 1) {
            one = bytes;
            EXPECT_NE(one.find("3,662.75"), std::string::npos);
        } else {
            EXPECT_EQ(bytes, one) << threads << " threads";
        }
    }
    ParallelRowWriter::SetBatchRowsForTesting(0);
}

TEST(DatabaseSourceTest, AccessDatabaseThroughMdbTools) {
    TempDir dir;
    DVFile definition;
    // A definition made on another system names a driver not installed here.
    SourceSettings::SetSourceType(definition, DVFileSettings::kAccess);
    EXPECT_EQ(definition.Settings().odbcdriver, Norvik::CODBCManager::AccessDriver());
    definition.SetOdbcDriver("Microsoft Access Driver (*.mdb, *.accdb)");
    SourceSettings::SetSourceFileName(definition, FruitDatabase());
    SourceSettings::SetSqlTableName(definition, "Fruit Salad");
    ASSERT_EQ(definition.Columns().size(), 1u);
    const auto rows = Rows(definition);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"Apple"}));

    SourceSettings::SetSqlTableName(definition, "Fruit");
    auto fruit = Rows(definition);
    ASSERT_GT(fruit.size(), 10u);
    EXPECT_EQ(definition.Column(1).dataType, DataTypeProperties::kNumber);
    bool sawEmpty = false;  // NULLs in the vitamin columns read empty
    for (const auto& row : fruit) {
        sawEmpty = sawEmpty || row.back().empty();
    }
    EXPECT_TRUE(sawEmpty);

    std::unique_ptr<DVDataSource> excel = CreateDataSource(DVFileSettings::kAccess);
    DVFile none;
    SourceSettings::SetSourceType(none, DVFileSettings::kAccess);
    EXPECT_EQ(excel->Validate(none), kNoSourceFile);
    SourceSettings::SetSourceFileName(none, dir.File("missing.mdb"));
    EXPECT_EQ(excel->Validate(none), kSourceFileOpen);
}

TEST(DatabaseSourceTest, WorkbooksOfBothFormats) {
    EnglishConventions english;
    TempDir dir;
    ASSERT_TRUE(WorkbookWriter::Write(dir.File("orders.xlsx"), OrdersSheets()));
    for (const std::string& file : {dir.File("orders.xlsx"), DataFile("orders.xls")}) {
        DVFile definition;
        SourceSettings::SetSourceType(definition, DVFileSettings::kExcel);
        EXPECT_EQ(definition.Settings().odbcdriver, Norvik::CODBCManager::kWorkbookDriver);
        SourceSettings::SetSourceFileName(definition, file);
        SourceSettings::SetSqlTableName(definition, "Orders$");
        std::vector<std::string> kinds;
        for (const CSCol& column : definition.Columns()) {
            kinds.push_back(column.name + ":" + std::to_string(column.dataType));
        }
        EXPECT_EQ(std::vector<std::string>(kinds.begin(), kinds.begin() + 5),
                  (std::vector<std::string>{"Country:0", "City:0", "Qty:1", "Ordered:2", "Note:0"}))
            << file;
        definition.Column(3).format = "YYYY-MM-DD";
        const auto rows = Rows(definition);
        ASSERT_EQ(rows.size(), 3u) << file;
        EXPECT_EQ(std::vector<std::string>(rows[0].begin(), rows[0].begin() + 5),
                  (std::vector<std::string>{"Spain", "Madrid", "3.5", "2024-01-01", "first"}))
            << file;
        EXPECT_EQ(rows[1][4], "inline <note>");
        EXPECT_EQ(rows[2][2], "1234.567");

        // Queries run over the worksheets, with the filters row by row.
        definition.SetSqlType(1);
        definition.SetSqlQuery(
            "SELECT Country, SUM(Qty) AS Total FROM [Orders$] GROUP BY "
            "Country ORDER BY Country");
        SourceSettings::SetSqlTableName(definition, "");
        const auto totals = Rows(definition);
        EXPECT_EQ(totals,
                  (std::vector<std::vector<std::string>>{{"France", "12"}, {"Spain", "1238.067"}}))
            << file;
        definition.SetSqlQuery("SELECT * FROM [Missing$]");
        int32_t code = 0;
        std::string error;
        Rows(definition, &code, &error);
        EXPECT_EQ(code, kOdbcSqlQuery);
        EXPECT_NE(error.find("SQL State:"), std::string::npos);
    }
    // Another system's Excel driver name reads through the built-in one.
    DVFile foreign;
    SourceSettings::SetSourceType(foreign, DVFileSettings::kExcel);
    foreign.SetOdbcDriver("Microsoft Excel Driver (*.xls, *.xlsx, *.xlsm, *.xlsb)");
    SourceSettings::SetSourceFileName(foreign, dir.File("orders.xlsx"));
    SourceSettings::SetSqlTableName(foreign, "Other Sheet$");
    EXPECT_EQ(Rows(foreign), (std::vector<std::vector<std::string>>{{"x"}}));
}

// A cell holding 1234.567 is that number in every region: number columns
// format it with the regional separators, filters compare its value.
TEST(DatabaseSourceTest, WorkbookNumbersKeepTheirValueInEveryRegion) {
    TempDir dir;
    ASSERT_TRUE(WorkbookWriter::Write(dir.File("orders.xlsx"), OrdersSheets()));
    struct Region {
        const char* setting;
        const char* raw;
        const char* formatted;
    };
    for (const Region& region :
         {Region{"C", "1234.567", "1,234.57"}, Region{"de_DE.UTF-8", "1234,567", "1.234,57"},
          Region{"fr_FR.UTF-8", "1234,567", "1\u202F234,57"}}) {
        const auto settings = RegionalSettings::For(region.setting);
        ASSERT_TRUE(settings) << region.setting << " is not installed";
        RegionalSettings::Scope scope(*settings);
        DVFile definition;
        SourceSettings::SetSourceType(definition, DVFileSettings::kExcel);
        SourceSettings::SetSourceFileName(definition, dir.File("orders.xlsx"));
        SourceSettings::SetSqlTableName(definition, "Orders$");
        ASSERT_EQ(definition.Column(2).name, "Qty");
        auto rows = Rows(definition);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[2][2], region.raw) << region.setting;
        EXPECT_EQ(rows[0][0], "Spain");

        definition.Column(2).precision = 2;
        definition.Column(2).thousands = true;
        rows = Rows(definition);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[2][2], region.formatted) << region.setting;

        // Filters compare the same number.
        definition.Filters()[0].SetColumnId(definition.Column(2).id);
        definition.Filters()[0].SetOperator(DVFilter::kGreater);
        definition.Filters()[0].SetValue("1234.5");
        rows = Rows(definition);
        ASSERT_EQ(rows.size(), 1u) << region.setting;
        EXPECT_EQ(rows[0][2], region.formatted);
    }
}

TEST(DatabaseSourceTest, EndToEndWithDocumentPropertyTokens) {
    FixedEnvironment environment;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    TempDir dir;
    ASSERT_TRUE(WorkbookWriter::Write(dir.File("orders.xlsx"), OrdersSheets()));
    DVFile definition;
    SourceSettings::SetSourceType(definition, DVFileSettings::kExcel);
    SourceSettings::SetSourceFileName(definition, dir.File("orders.xlsx"));
    definition.SetAutoAddNodes(false);
    SourceSettings::SetSqlTableName(definition, "Orders$");
    definition.SetTargetFileName(dir.File("out.xml"));
    definition.SetEncoding("utf-8");
    XMLRootNode& root = definition.Root();
    root.AddChild("title", XMLNode::kAttribute)->SetValue("{DOCTITLE} by {DOCAUTHOR}");
    root.AddChild("saved", XMLNode::kAttribute)->SetValue("{DOCLASTSAVED}");
    XMLNode* row = root.AddChild("order", XMLNode::kElement);
    row->AddChild("country", XMLNode::kElement)->SetSource(definition.Column(0).id);
    const RunOutcome outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.code, 0) << outcome.detail;
    EXPECT_EQ(CanonicalFile(dir.File("out.xml")),
              "document[title=Quarterly orders by Ann Example,saved=2024-05-07 08:09:10]("
              "order(country('Spain')) order(country('France')) order(country('Spain')))");

    // The same from PostgreSQL and from Access.
    DVFile pg = PostgresDefinition(dir);
    pg.SetSqlType(1);
    pg.SetSqlQuery("SELECT id, note FROM \"Sales Orders\" WHERE id < 3 ORDER BY id");
    ASSERT_EQ(RunSaved(pg, dir).code, 0);
    EXPECT_EQ(CanonicalFile(dir.File("out.xml")),
              "document(row(id('1') note('first')) row(id('2')))");  // empty: skipped

    DVFile mdb;
    SourceSettings::SetSourceType(mdb, DVFileSettings::kAccess);
    SourceSettings::SetSourceFileName(mdb, FruitDatabase());
    mdb.SetSqlType(1);
    mdb.SetSqlQuery("SELECT Fruit, Sugar FROM Fruit");
    mdb.SetTargetFileName(dir.File("out.xml"));
    mdb.SetEncoding("utf-8");
    Rows(mdb);  // the columns
    mdb.Filters()[0].SetColumnId(mdb.Column(0).id);
    mdb.Filters()[0].SetOperator(DVFilter::kEquals);
    mdb.Filters()[0].SetValue("banana");
    ASSERT_EQ(RunSaved(mdb, dir).code, 0);
    EXPECT_EQ(CanonicalFile(dir.File("out.xml")), "document(row(Fruit('Banana') Sugar('20')))");
}

}  // namespace
