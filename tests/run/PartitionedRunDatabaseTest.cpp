// A database query in parts: the plan counts the query's rows, each part
// reads its window of them (LIMIT and OFFSET on the query, in SQLite through
// its ODBC driver), and the merge gives the single run's bytes, also when
// the rows are numbered, skipped by rules or written a document each.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <string>

#include "PartsTestSupport.h"
#include "RunTestSupport.h"
#include "base/ResultCode.h"
#include "run/PartitionPlan.h"

using namespace testsupport;

namespace {

// items(id, name, amount, note) with rows a database orders only when told.
void MakeDatabase(const std::string& path, int rows) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::string sql = "CREATE TABLE items (id INTEGER, name TEXT, amount REAL, note TEXT);";
    for (int i = 0; i < rows; ++i) {
        const int id = (i * 37) % rows;
        sql += "INSERT INTO items VALUES (" + std::to_string(id) + ", '" +
               (id % 6 == 0 ? std::string() : "item " + std::to_string(id % 9) + " & <co>") +
               "', " + std::to_string(id % 5 == 0 ? 0.0 : id * 2.5) + ", " +
               (id % 4 == 0 ? "NULL" : "'note " + std::to_string(id) + "'") + ");";
    }
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

DVFile DatabaseDefinition(const TempDir& dir, int rows, const std::string& query) {
    MakeDatabase(dir.File("items.db"), rows);
    WriteFile(dir.File("lite.dsn"),
              "[ODBC]\nDRIVER=SQLite3\nDatabase=" + dir.File("items.db") + "\n");
    DVFile definition;
    definition.SetAutoAddNodes(true);
    definition.SetSourceType(DVFileSettings::kOdbc);
    definition.SetOdbcDriver("SQLite3");
    definition.SetDsnType(1);
    definition.SetFileDsn(dir.File("lite.dsn"));
    if (query.empty()) {
        definition.SetSqlTableName("items");
    } else {
        definition.SetSqlType(1);
        definition.SetSqlQuery(query);
    }
    ReadColumns(definition);
    definition.SetTargetFileName(dir.File("out.xml"));
    definition.SetEncoding("utf-8");
    return definition;
}

}  // namespace

TEST(PartitionedRunDatabaseTest, QueryWindowsInPartsAreTheSingleRun) {
    const struct {
        const char* what;
        const char* query;  // empty: the table, sorted by the definition
        void (*change)(DVFile&);
    } cases[] = {
        {"a table sorted by the definition, rows standing alone", "",
         [](DVFile& d) {
             d.SortOrders()[0] = SortOrder{Id(d, "id"), true};
         }},
        {"a query in order, rows skipped by rules", "SELECT * FROM items ORDER BY name, id",
         [](DVFile& d) {
             d.Column(d.ColumnIndexByName("name")).skipIfEmpty = true;
             d.Column(d.ColumnIndexByName("amount")).skipIfZero = true;
         }},
        {"numbered rows, a footer with the count and the last row",
         "SELECT * FROM items ORDER BY id",
         [](DVFile& d) {
             Add(d.Root(), "n")->SetValue("{ROW}");
             XMLNode* footer = Add(d.Root(), "end");
             footer->SetScope(XMLNode::kFooterScope);
             Add(*footer, "rows")->SetValue("{ROW}");
             Add(*footer, "last", XMLNode::kElement, Id(d, "name"));
         }},
        {"a first row and the last value when empty", "SELECT * FROM items ORDER BY amount, id",
         [](DVFile& d) {
             d.SetFirstRow(5);
             d.Column(d.ColumnIndexByName("note")).useLastIfEmpty = true;
         }},
        {"a document per value", "SELECT * FROM items ORDER BY name, id",
         [](DVFile& d) { d.SetFilePerColValueId(Id(d, "name")); }},
    };
    for (const auto& c : cases) {
        TempDir dir;
        DVFile definition = DatabaseDefinition(dir, 33, c.query);
        ASSERT_EQ(definition.Columns().size(), 4u) << c.what;
        c.change(definition);
        ExpectSameInParts(SaveDefinition(definition, dir), dir, c.what, {1, 2, 3, 7, 40});
    }
}

TEST(PartitionedRunDatabaseTest, ThePlanCountsTheRowsAndGroupsAreRefused) {
    TempDir dir;
    DVFile definition = DatabaseDefinition(dir, 25, "SELECT * FROM items ORDER BY id");
    const std::string project = SaveDefinition(definition, dir);
    ASSERT_EQ(Plan(project, dir.File("run.plan"), 4).code, kSuccess);
    PartitionPlan plan;
    ASSERT_TRUE(plan.Parse(ReadFile(dir.File("run.plan"))));
    EXPECT_EQ(plan.kind, PartitionPlan::Kind::kRows);
    ASSERT_EQ(plan.ranges.size(), 4u);
    EXPECT_EQ(plan.ranges.front().begin, 0);
    EXPECT_EQ(plan.ranges.back().end, 25);

    Add(definition.Root(), "g")->SetGroup(Id(definition, "name"));
    const std::string grouped = SaveDefinition(definition, dir);
    const Step refused = Part(grouped, dir.File("p.part"), 0, 2);
    EXPECT_EQ(refused.code, kParts);
    EXPECT_NE(refused.detail.find("groups the rows of a database query"), std::string::npos)
        << refused.detail;
}
