#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DVDataSource.h"
#include "db/IConnection.h"

// Rows of a database table or SQL query reached through ODBC (a user,
// system or file DSN). Filters always run row by row; a sort on a table
// becomes an ORDER BY clause.
class ODBCDataSource : public DVDataSource {
public:
    using DVDataSource::DVDataSource;
    ~ODBCDataSource() override;

    int32_t Open(DVFile& definition, int32_t rowLimit) override;
    int32_t GetSourceColumnCount() override;
    std::string GetSourceColumnName(int32_t index) override;
    // Text 0, numbers 1, date-times (and anything else) 2.
    int32_t GetSourceColumnKind(int32_t index) override;
    // New number columns keep the decimals the database gives them.
    int32_t GetSourceColumnPrecision(int32_t index) override;
    // Floating-point values come with '.' whatever the regional settings.
    std::string_view GetRawValue(int32_t index) override;
    bool NextRow() override;
    void Close() override;
    int32_t Validate(const DVFile& definition) override;
    int32_t ValidateSource(const DVFile& definition) override;
    std::string GetConnectionString(const DVFile& definition) override;
    bool ReadHeader(DVFile&) override { return true; }
    // 115 for a query, 116 for a table.
    int32_t ReadFailureCode() const override;

    // The connection's tables in name order; false without a connection.
    bool GetTableNames(std::vector<std::string>& list);

    // Reads only limit rows after the first offset of the query or table
    // (limit -1: the whole), which is wrapped as a subquery with LIMIT and
    // OFFSET (as SQLite, PostgreSQL and MySQL read them). Set before Open.
    void SetWindow(int64_t offset, int64_t limit) noexcept {
        windowOffset_ = offset;
        windowLimit_ = limit;
    }
    // How many rows the query or table gives, skip rules and filters aside
    // (a window counts in them); connects and closes again.
    int32_t CountRows(DVFile& definition, int64_t& count);

protected:
    // Number columns read floating-point values with the regional decimal
    // separator, so they format the number the database holds.
    std::string_view NumberText(int32_t index, std::string_view raw) override;
    // The driver to connect with: the definition's own, or a stand-in for a
    // driver named by a file from another system that is not installed here.
    virtual std::string EffectiveDriver(const DVFile& definition) const;

private:
    std::unique_ptr<Norvik::IConnection> connection_;
    std::unique_ptr<Norvik::IResultSet> result_;
    // The regional decimal separator where it is not '.', and the
    // floating-point columns whose values take it.
    void ChooseDecimalSeparator();
    // The statement or table that Open reads, with its mode (table or
    // statement); the sort becomes its ORDER BY.
    std::string QueryText(const DVFile& definition, int32_t rowLimit, int32_t& mode);

    int32_t rowLimit_ = 0;
    int64_t windowOffset_ = 0;
    int64_t windowLimit_ = -1;
    int32_t sqlType_ = 0;
    std::string decimalSeparator_;
    std::vector<char> floating_;
    std::vector<std::string> localized_;
};

// The two sources that read a database file (sent as DBQ).
class ODBCFileDataSource : public ODBCDataSource {
public:
    using ODBCDataSource::ODBCDataSource;
    int32_t ValidateSource(const DVFile& definition) override;
};

// An Excel workbook: without the named driver, one whose name says "Excel"
// reads through the built-in workbook driver.
class ExcelDataSource : public ODBCFileDataSource {
public:
    using ODBCFileDataSource::ODBCFileDataSource;

protected:
    std::string EffectiveDriver(const DVFile& definition) const override;
};

// An Access database: without the named driver, one whose name says
// "Access" reads through the installed Access driver (MDBTools).
class AccessDataSource : public ODBCFileDataSource {
public:
    using ODBCFileDataSource::ODBCFileDataSource;

protected:
    std::string EffectiveDriver(const DVFile& definition) const override;
};
