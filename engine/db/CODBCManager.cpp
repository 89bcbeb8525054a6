#include "CODBCManager.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <mutex>

#include "ODBCDiagnostics.h"
#include "base/TextUtil.h"

namespace Norvik {

namespace {

struct Catalogue {
    std::mutex mutex;
    bool loaded = false;
    std::map<std::string, DriverInfo> drivers;
    std::string excelDriver;
    std::string accessDriver;
};

Catalogue& TheCatalogue() {
    static Catalogue catalogue;
    return catalogue;
}

bool Contains(const std::string& text, std::string_view part) {
    return ToLower(text).find(ToLower(part)) != std::string::npos;
}

// Attributes are key=value pairs, each ended by a NUL.
void ReadAttributes(const SQLWCHAR* attributes, SQLSMALLINT length, DriverInfo& info) {
    const auto* pair = reinterpret_cast<const char16_t*>(attributes);
    const char16_t* end = pair + length;
    while (pair < end && *pair) {
        const std::u16string_view item(pair);
        const std::string text = Utf16ToUtf8(item);
        const size_t equals = text.find('=');
        if (equals != std::string::npos) {
            info.attributes[text.substr(0, equals)] = text.substr(equals + 1);
        }
        pair += item.size() + 1;
    }
}

// The first Excel driver listed, or the first that reads .xlsx; the first
// Access driver listed.
void ChooseDrivers(Catalogue& catalogue, const std::string& name) {
    if (Contains(name, "Excel") &&
        (catalogue.excelDriver.empty() ||
         (!Contains(catalogue.excelDriver, ".xlsx") && Contains(name, ".xlsx")))) {
        catalogue.excelDriver = name;
    }
    if (catalogue.accessDriver.empty() &&
        (Contains(name, "Access") || Contains(name, "MDBTools"))) {
        catalogue.accessDriver = name;
    }
}

void ReadInstalledDrivers(Catalogue& catalogue) {
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
        return;
    }
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (true) {
        SQLWCHAR description[257] = {};
        SQLWCHAR attributes[2049] = {};
        SQLSMALLINT descriptionLength = 0;
        SQLSMALLINT attributesLength = 0;
        const SQLRETURN result =
            SQLDriversW(environment, direction, description, 256, &descriptionLength, attributes,
                        2048, &attributesLength);
        if (!SQL_SUCCEEDED(result)) {
            break;
        }
        direction = SQL_FETCH_NEXT;
        const std::string name = Utf16ToUtf8(reinterpret_cast<const char16_t*>(description));
        ReadAttributes(attributes, std::min<SQLSMALLINT>(attributesLength, 2048),
                       catalogue.drivers[name]);
        ChooseDrivers(catalogue, name);
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
}

// Reads every installed driver once; the catalogue's mutex is held.
void LoadDrivers(Catalogue& catalogue) {
    if (catalogue.loaded) {
        return;
    }
    catalogue.loaded = true;
    ReadInstalledDrivers(catalogue);
    // Workbooks need no ODBC driver: the built-in one reads them.
    DriverInfo& workbook = catalogue.drivers[CODBCManager::kWorkbookDriver];
    workbook.attributes["FileExtns"] = "*.xlsx;*.xls";
    workbook.attributes["FileUsage"] = "1";
    workbook.dataSourcesRead = true;
    // Drivers for Access files that do not say which files they read (MDBTools)
    // read these.
    if (!catalogue.accessDriver.empty()) {
        auto& attributes = catalogue.drivers[catalogue.accessDriver].attributes;
        if (attributes["FileExtns"].empty()) {
            attributes["FileExtns"] = "*.mdb;*.accdb";
        }
    }
    // It counts as the last one listed, and names .xlsx.
    if (catalogue.excelDriver.empty() || !Contains(catalogue.excelDriver, ".xlsx")) {
        catalogue.excelDriver = CODBCManager::kWorkbookDriver;
    }
}

}  // namespace

CODBCManager::~CODBCManager() {
    if (environment_ != SQL_NULL_HENV) {
        SQLFreeHandle(SQL_HANDLE_ENV, environment_);
    }
}

SQLHENV CODBCManager::GetEnvironment() {
    if (environment_ != SQL_NULL_HENV) {
        return environment_;
    }
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
        environmentError_ = "ODBC Driver Error\n\nThe driver returned no error information";
        return SQL_NULL_HENV;
    }
    // ODBC 2 behaviour, which is what stored definitions were made with.
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0))) {
        environmentError_ = FormatDiagnostics(SQL_HANDLE_ENV, environment, "");
        SQLFreeHandle(SQL_HANDLE_ENV, environment);
        return SQL_NULL_HENV;
    }
    environment_ = environment;
    return environment_;
}

std::vector<std::string> CODBCManager::Drivers() {
    Catalogue& catalogue = TheCatalogue();
    std::lock_guard<std::mutex> lock(catalogue.mutex);
    LoadDrivers(catalogue);
    std::vector<std::string> names;
    for (const auto& [name, info] : catalogue.drivers) {
        names.push_back(name);
    }
    return names;
}

bool CODBCManager::IsDriverInstalled(const std::string& driver) {
    Catalogue& catalogue = TheCatalogue();
    std::lock_guard<std::mutex> lock(catalogue.mutex);
    LoadDrivers(catalogue);
    for (const auto& [name, info] : catalogue.drivers) {
        if (EqualsIgnoreCase(name, driver)) {
            return true;
        }
    }
    return false;
}

std::map<std::string, std::string> CODBCManager::DriverAttributes(const std::string& driver) {
    Catalogue& catalogue = TheCatalogue();
    std::lock_guard<std::mutex> lock(catalogue.mutex);
    LoadDrivers(catalogue);
    const auto it = catalogue.drivers.find(driver);
    return it == catalogue.drivers.end() ? std::map<std::string, std::string>()
                                         : it->second.attributes;
}

std::vector<std::string> CODBCManager::GetDataSourceNames(const std::string& driver) {
    Catalogue& catalogue = TheCatalogue();
    std::lock_guard<std::mutex> lock(catalogue.mutex);
    LoadDrivers(catalogue);
    DriverInfo& info = catalogue.drivers[driver];
    if (!info.dataSourcesRead) {
        info.dataSourcesRead = true;
        SQLHENV environment = SQL_NULL_HENV;
        if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
            SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION,
                          reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
            SQLUSMALLINT direction = SQL_FETCH_FIRST;
            SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1] = {};
            SQLWCHAR description[257] = {};
            SQLSMALLINT nameLength = 0;
            SQLSMALLINT descriptionLength = 0;
            while (
                SQL_SUCCEEDED(SQLDataSourcesW(environment, direction, name, SQL_MAX_DSN_LENGTH,
                                              &nameLength, description, 256, &descriptionLength))) {
                direction = SQL_FETCH_NEXT;
                if (EqualsIgnoreCase(Utf16ToUtf8(reinterpret_cast<const char16_t*>(description)),
                                     driver)) {
                    info.dataSources.push_back(
                        Utf16ToUtf8(reinterpret_cast<const char16_t*>(name)));
                }
            }
            SQLFreeHandle(SQL_HANDLE_ENV, environment);
        }
    }
    return info.dataSources;
}

std::string CODBCManager::ExcelDriver() {
    Catalogue& catalogue = TheCatalogue();
    std::lock_guard<std::mutex> lock(catalogue.mutex);
    LoadDrivers(catalogue);
    return catalogue.excelDriver;
}

std::string CODBCManager::AccessDriver() {
    Catalogue& catalogue = TheCatalogue();
    std::lock_guard<std::mutex> lock(catalogue.mutex);
    LoadDrivers(catalogue);
    return catalogue.accessDriver;
}

std::string CODBCManager::BuildConnectionString(const std::string& dsn, const std::string& fileDsn,
                                                const std::string& driver,
                                                const std::string& databaseFile,
                                                const std::string& user,
                                                const std::string& password,
                                                const std::string& additional) {
    std::string text;
    if (!dsn.empty()) {
        text = "DSN=" + dsn + ";";
    } else if (!fileDsn.empty()) {
        text = "FILEDSN=" + fileDsn + ";";
    } else if (!driver.empty()) {
        text = "DRIVER={" + driver + "};";
    }
    if (!text.empty()) {
        if (!databaseFile.empty()) {
            text += "DBQ=" + databaseFile + ";";
        }
        if (!user.empty()) {
            text += "UID=" + user + ";";
        }
        if (!password.empty()) {
            text += "PWD=" + password + ";";
        }
    }
    return text + additional;
}

}  // namespace Norvik
