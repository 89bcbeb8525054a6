#pragma once

#include <memory>
#include <set>
#include <string>

#include "CWorkbook.h"
#include "IConnection.h"
#include "base/TextUtil.h"

struct sqlite3;

namespace Norvik {

// The built-in workbook driver: a connection to an .xls or .xlsx file named
// by DBQ=. Worksheets are tables named as Excel's own driver names them
// ("Sheet1$"), with the first row as column names. Statements run in an
// in-memory SQLite database that holds the worksheets they name.
class CWorkbookConnection : public IConnection {
public:
    CWorkbookConnection();
    ~CWorkbookConnection() override;

    bool Connect(const std::string& connectionString) override;
    void Disconnect() override;
    int32_t GetTableCount() override;
    std::string GetTableName(int32_t index) override;
    void LoadTableNames() override;
    std::unique_ptr<IResultSet> CreateResultSet(int32_t mode, const std::string& text,
                                                int32_t rowLimit) override;
    bool HasError() const override { return hasError_; }
    const std::string& GetErrorText() const override { return errorText_; }
    int32_t GetDbmsKind() const override { return kExcel; }

    // The value of a key of a connection string ("" when absent).
    static std::string ConnectionValue(const std::string& connectionString, std::string_view key);

private:
    // The sheet a table name stands for ("Sheet1$", "Sheet1" or "[Sheet1$]").
    int32_t SheetIndex(std::string_view table) const;
    bool LoadIntoDatabase(size_t index, std::string& error);

    std::unique_ptr<CWorkbook> workbook_;
    sqlite3* database_ = nullptr;
    std::set<size_t> loaded_;
    std::set<std::string, Utf16OrderLess> tables_;
    bool hasError_ = false;
    std::string errorText_;
};

}  // namespace Norvik
