#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "IResultSet.h"

namespace Norvik {

// A read-only connection to a database (or workbook) that lists its tables
// and opens result sets.
class IConnection {
public:
    enum Mode : int32_t { kTable = 1, kStatement = 2 };
    // Kinds of database the connection learns from the driver.
    enum DbmsKind : int32_t { kOther = 0, kExcel = 1, kAccess = 2, kFoxPro = 3, kOracle = 4 };

    virtual ~IConnection() = default;

    virtual bool Connect(const std::string& connectionString) = 0;
    virtual void Disconnect() = 0;
    // The table list is loaded on first use, in name order.
    virtual int32_t GetTableCount() = 0;
    virtual std::string GetTableName(int32_t index) = 0;
    virtual void LoadTableNames() = 0;
    // Null for an empty text; otherwise a result set to check for HasError.
    // Mode kTable reads the table named text; kStatement runs text. A row
    // limit above 0 caps the rows the statement returns.
    virtual std::unique_ptr<IResultSet> CreateResultSet(int32_t mode, const std::string& text,
                                                        int32_t rowLimit) = 0;
    virtual bool HasError() const = 0;
    virtual const std::string& GetErrorText() const = 0;
    virtual int32_t GetDbmsKind() const = 0;
};

}  // namespace Norvik
