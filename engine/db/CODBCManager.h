#pragma once

#include <sql.h>

#include <map>
#include <string>
#include <vector>

namespace Norvik {

// One installed driver as the driver manager lists it.
struct DriverInfo {
    std::map<std::string, std::string> attributes;
    std::vector<std::string> dataSources;
    bool dataSourcesRead = false;
};

// Owns an ODBC environment (ODBC 2 behaviour) and reads the process-wide
// catalogue of installed drivers and data source names, which also lists the
// built-in workbook driver.
class CODBCManager {
public:
    // The built-in driver that reads .xls and .xlsx workbooks.
    static constexpr const char* kWorkbookDriver = "Datavane Excel Workbook Driver (*.xls, *.xlsx)";

    CODBCManager() = default;
    virtual ~CODBCManager();
    CODBCManager(const CODBCManager&) = delete;
    CODBCManager& operator=(const CODBCManager&) = delete;

    // Null when no environment can be made (error() then tells why).
    SQLHENV GetEnvironment();
    const std::string& EnvironmentError() const noexcept { return environmentError_; }

    // Driver descriptions in name order; reads the catalogue once.
    static std::vector<std::string> Drivers();
    static bool IsDriverInstalled(const std::string& driver);
    static std::map<std::string, std::string> DriverAttributes(const std::string& driver);
    // Data source names whose driver is driver (ignoring case).
    static std::vector<std::string> GetDataSourceNames(const std::string& driver);
    // The drivers the catalogue chose for workbooks and for Access databases.
    static std::string ExcelDriver();
    static std::string AccessDriver();

    // "DSN=…;" or "FILEDSN=…;" or "DRIVER={…};", then DBQ, UID and PWD when
    // set (only after one of those), then the additional text as it is.
    static std::string BuildConnectionString(const std::string& dsn, const std::string& fileDsn,
                                             const std::string& driver,
                                             const std::string& databaseFile,
                                             const std::string& user, const std::string& password,
                                             const std::string& additional);

private:
    SQLHENV environment_ = SQL_NULL_HENV;
    std::string environmentError_;
};

}  // namespace Norvik
