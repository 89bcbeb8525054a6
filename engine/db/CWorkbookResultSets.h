#pragma once

#include <string>
#include <vector>

#include "CWorkbook.h"
#include "IResultSet.h"

struct sqlite3;
struct sqlite3_stmt;

namespace Norvik {

// The rows of one worksheet below its header row. A column holding only
// numbers is a number column, only dates a date-time column, else text.
class CSheetResultSet : public IResultSet {
public:
    CSheetResultSet(WorkbookSheet sheet, int32_t rowLimit);

    int32_t GetColumnCount() const override { return static_cast<int32_t>(names_.size()); }
    std::string GetColumnInfo(int32_t index, int32_t& kind) const override;
    std::string_view GetValue(int32_t index) const override;
    bool Fetch() override;
    void Close() override;
    bool HasError() const override { return false; }
    const std::string& GetErrorText() const override { return error_; }

    // Column names and kinds a sheet's rows give (shared with the SQL path).
    static void Describe(const WorkbookSheet& sheet, std::vector<std::string>& names,
                         std::vector<int32_t>& kinds);

private:
    WorkbookSheet sheet_;
    std::vector<std::string> names_;
    std::vector<int32_t> kinds_;
    size_t next_ = 1;
    size_t current_ = 0;
    int32_t rowLimit_;
    int32_t fetched_ = 0;
    std::string error_;
};

// A result set that could not be made: no columns, no rows, an error text.
class CFailedResultSet : public IResultSet {
public:
    explicit CFailedResultSet(std::string error) : error_(std::move(error)) {}
    int32_t GetColumnCount() const override { return 0; }
    std::string GetColumnInfo(int32_t, int32_t& kind) const override {
        kind = kNone;
        return {};
    }
    std::string_view GetValue(int32_t) const override { return {}; }
    bool Fetch() override { return false; }
    void Close() override {}
    bool HasError() const override { return true; }
    const std::string& GetErrorText() const override { return error_; }

private:
    std::string error_;
};

// The rows of an SQL statement over worksheets loaded into SQLite.
class CSQLiteResultSet : public IResultSet {
public:
    CSQLiteResultSet(sqlite3* database, const std::string& statement, int32_t rowLimit);
    ~CSQLiteResultSet() override;

    int32_t GetColumnCount() const override { return static_cast<int32_t>(names_.size()); }
    std::string GetColumnInfo(int32_t index, int32_t& kind) const override;
    std::string_view GetValue(int32_t index) const override;
    bool Fetch() override;
    void Close() override;
    bool HasError() const override { return !error_.empty(); }
    const std::string& GetErrorText() const override { return error_; }

private:
    void Fail(int code, const char* message);

    sqlite3* database_;
    sqlite3_stmt* statement_ = nullptr;
    std::vector<std::string> names_;
    std::vector<int32_t> kinds_;
    std::vector<std::string> values_;
    int32_t rowLimit_;
    int32_t fetched_ = 0;
    std::string error_;
};

}  // namespace Norvik
