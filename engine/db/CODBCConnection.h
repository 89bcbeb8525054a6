#pragma once

#include <sql.h>

#include <atomic>
#include <set>
#include <string>

#include "CODBCManager.h"
#include "IConnection.h"
#include "base/TextUtil.h"

namespace Norvik {

// A read-only ODBC connection through the driver manager's wide entry points.
class CODBCConnection : public CODBCManager, public IConnection {
public:
    CODBCConnection() = default;
    ~CODBCConnection() override;

    // Read-only, 10 s login time-out, no prompting. A FILEDSN= part is
    // replaced by the [ODBC] section of the file, which the wide entry point
    // of the driver manager does not read itself.
    bool Connect(const std::string& connectionString) override;
    void Disconnect() override;
    int32_t GetTableCount() override;
    std::string GetTableName(int32_t index) override;
    void LoadTableNames() override;
    std::unique_ptr<IResultSet> CreateResultSet(int32_t mode, const std::string& text,
                                                int32_t rowLimit) override;
    bool HasError() const override { return hasError_; }
    const std::string& GetErrorText() const override { return errorText_; }
    int32_t GetDbmsKind() const override { return dbmsKind_; }

    SQLHDBC Handle() const noexcept { return connection_; }
    void SetError(std::string text);
    // Result sets opened on this connection count themselves here.
    std::atomic<int32_t> openResultSets{0};

    // The connection string with a FILEDSN= part expanded from its file.
    static std::string ExpandFileDsn(const std::string& connectionString);
    static int32_t DbmsKindOf(std::string_view dbmsName);

private:
    // Oracle lists its tables and views in its own catalogue.
    void LoadOracleTableNames();
    void AddTables(SQLHSTMT statement, int column, std::set<std::string, Utf16OrderLess>& into,
                   const std::string* typeFilter);

    SQLHDBC connection_ = SQL_NULL_HDBC;
    int32_t dbmsKind_ = kOther;
    bool hasError_ = false;
    std::string errorText_;
    std::set<std::string, Utf16OrderLess> tables_;
    bool tablesLoaded_ = false;
};

}  // namespace Norvik
