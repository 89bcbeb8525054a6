#include <gtest/gtest.h>

#include "TestSupport.h"
#include "db/CODBCConnection.h"
#include "db/CODBCManager.h"
#include "db/CODBCResultSet.h"
#include "db/CWorkbook.h"
#include "db/ODBCDiagnostics.h"

using namespace Norvik;

namespace {

TEST(ODBCLayerTest, ConnectionStrings) {
    struct Case {
        std::vector<std::string> parts;  // dsn, file dsn, driver, file, user, password, more
        std::string expected;
    };
    const Case cases[] = {
        {{"Sales", "", "", "", "bob", "", ""}, "DSN=Sales;UID=bob;"},
        {{"", "/etc/s.dsn", "X", "", "", "pw", ""}, "FILEDSN=/etc/s.dsn;PWD=pw;"},
        {{"", "", "SQLite3", "/d/a.db", "", "", "Timeout=5;"},
         "DRIVER={SQLite3};DBQ=/d/a.db;Timeout=5;"},
        {{"", "", "", "/d/a.db", "u", "p", "Database=x;"}, "Database=x;"},
    };
    for (const Case& c : cases) {
        const auto& p = c.parts;
        EXPECT_EQ(CODBCManager::BuildConnectionString(p[0], p[1], p[2], p[3], p[4], p[5], p[6]),
                  c.expected);
    }
}

TEST(ODBCLayerTest, PasswordsAreMasked) {
    const std::pair<std::string, std::string> cases[] = {
        {"DSN=x;UID=u;PWD=secret;", "DSN=x;UID=u;PWD=********;"},
        {"pwd=secret", "pwd=********"},
        {"DSN=x;PWD={a;b}c;X=1", "DSN=x;PWD=********c;X=1"},
        {"DSN=x;PWDX=1;OLDPWD=2;", "DSN=x;PWDX=1;OLDPWD=2;"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(MaskPasswords(in), out) << in;
    }
}

TEST(ODBCLayerTest, SqlStatesAndDecimals) {
    EXPECT_STREQ(SqlStateText("01000"), "General Warning");
    EXPECT_STREQ(SqlStateText("im015"), "Corrupt file data source");
    EXPECT_STREQ(SqlStateText("42S02"), "Base table or view not found");
    EXPECT_EQ(SqlStateText("99999"), nullptr);
    const std::tuple<const char*, int, const char*> cases[] = {
        {"3.5", 2, "3.50"},
        {"1234.567", 2, "1234.57"},
        {"-0.005", 2, "-0.01"},
        {"9.999", 2, "10.00"},
        {"12", 0, "12"},
        {"12.5", 0, "13"},
        {"1e3", 2, "1e3"},
        {"-0.001", 2, "0.00"},
        {"123456789012345678901234567890.125", 2, "123456789012345678901234567890.13"},
    };
    for (const auto& [text, decimals, expected] : cases) {
        EXPECT_EQ(FixDecimals(text, decimals), expected) << text;
    }
}

TEST(ODBCLayerTest, FileDsnsAreReadIntoTheConnectionString) {
    testsupport::TempDir dir;
    const std::string dsn = dir.File("pg.dsn");
    testsupport::WriteFile(dsn,
                           "[ODBC]\r\nDRIVER=PostgreSQL Unicode\r\nServername=/tmp/x\r\n"
                           "UID=file\r\n\r\n[Other]\r\nIgnored=1\r\n");
    EXPECT_EQ(CODBCConnection::ExpandFileDsn("FILEDSN=" + dsn + ";UID=bob;"),
              "DRIVER=PostgreSQL Unicode;Servername=/tmp/x;UID=bob;");
    EXPECT_EQ(CODBCConnection::ExpandFileDsn("DSN=x;"), "DSN=x;");
    EXPECT_EQ(CODBCConnection::DbmsKindOf("MDBTOOLS"), IConnection::kAccess);
    EXPECT_EQ(CODBCConnection::DbmsKindOf("EXCEL"), IConnection::kExcel);
    EXPECT_EQ(CODBCConnection::DbmsKindOf("PostgreSQL"), IConnection::kOther);
}

TEST(ODBCLayerTest, WorkbookDayNumbers) {
    const std::tuple<double, bool, const char*> cases[] = {
        {45292, false, "2024-01-01 00:00:00"},
        {45292.5, false, "2024-01-01 12:00:00"},
        {1, false, "1900-01-01 00:00:00"},
        {59, false, "1900-02-28 00:00:00"},
        {61, false, "1900-03-01 00:00:00"},
        {0, true, "1904-01-01 00:00:00"},
        {45292.99999999, false, "2024-01-02 00:00:00"},
    };
    for (const auto& [serial, system1904, expected] : cases) {
        EXPECT_EQ(CWorkbook::SerialToText(serial, system1904), expected) << serial;
    }
    EXPECT_EQ(CWorkbook::NumberText(3.5), "3.5");
    EXPECT_EQ(CWorkbook::NumberText(12), "12");
    EXPECT_EQ(CWorkbook::NumberText(0.1), "0.1");
}

TEST(ODBCLayerTest, CatalogueListsTheWorkbookDriver) {
    const std::vector<std::string> drivers = CODBCManager::Drivers();
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), CODBCManager::kWorkbookDriver),
              drivers.end());
    EXPECT_EQ(CODBCManager::DriverAttributes(CODBCManager::kWorkbookDriver).at("FileExtns"),
              "*.xlsx;*.xls");
    EXPECT_EQ(CODBCManager::ExcelDriver(), CODBCManager::kWorkbookDriver);
    EXPECT_FALSE(CODBCManager::AccessDriver().empty());
    EXPECT_EQ(CODBCManager::DriverAttributes(CODBCManager::AccessDriver()).at("FileExtns"),
              "*.mdb;*.accdb");
    EXPECT_TRUE(CODBCManager::IsDriverInstalled("sqlite3"));
}

}  // namespace
