#include "CODBCConnection.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <fstream>

#include "CODBCResultSet.h"
#include "ODBCDiagnostics.h"

namespace Norvik {

namespace {

// Position of a keyword at the start of a key=value pair, or npos.
size_t FindKey(std::string_view text, std::string_view key) {
    for (size_t at = 0; at + key.size() < text.size(); ++at) {
        const bool start = at == 0 || text[at - 1] == ';';
        if (start && EqualsIgnoreCase(text.substr(at, key.size()), key) &&
            text[at + key.size()] == '=') {
            return at;
        }
    }
    return std::string_view::npos;
}

std::string ReadWideText(SQLHSTMT statement, SQLUSMALLINT column) {
    SQLWCHAR buffer[1025] = {};
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(
            SQLGetData(statement, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator)) ||
        indicator == SQL_NULL_DATA) {
        return {};
    }
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(buffer));
}

}  // namespace

CODBCConnection::~CODBCConnection() {
    Disconnect();
}

void CODBCConnection::SetError(std::string text) {
    hasError_ = true;
    errorText_ = std::move(text);
}

int32_t CODBCConnection::DbmsKindOf(std::string_view name) {
    if (EqualsIgnoreCase(name, "Visual FoxPro")) {
        return kFoxPro;
    }
    // MDBTools reads Access databases and says so by its own name.
    if (EqualsIgnoreCase(name, "ACCESS") || EqualsIgnoreCase(name, "MDBTOOLS")) {
        return kAccess;
    }
    if (EqualsIgnoreCase(name, "EXCEL")) {
        return kExcel;
    }
    if (EqualsIgnoreCase(name, "Oracle")) {
        return kOracle;
    }
    return kOther;
}

std::string CODBCConnection::ExpandFileDsn(const std::string& connectionString) {
    const size_t at = FindKey(connectionString, "FILEDSN");
    if (at == std::string::npos) {
        return connectionString;
    }
    const size_t valueStart = at + 8;
    size_t valueEnd = connectionString.find(';', valueStart);
    if (valueEnd == std::string::npos) {
        valueEnd = connectionString.size();
    }
    const std::string path = connectionString.substr(valueStart, valueEnd - valueStart);
    std::string rest = connectionString.substr(0, at) +
                       connectionString.substr(std::min(valueEnd + 1, connectionString.size()));
    std::ifstream in(path);
    if (!in) {
        return connectionString;  // the driver manager reports the missing file
    }
    std::string expanded;
    std::string line;
    bool inOdbc = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::string trimmed = Trim(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            inOdbc = EqualsIgnoreCase(trimmed, "[ODBC]");
            continue;
        }
        const size_t equals = trimmed.find('=');
        if (!inOdbc || equals == std::string::npos) {
            continue;
        }
        const std::string key = Trim(trimmed.substr(0, equals));
        // Keywords of the connection string itself take precedence.
        if (key.empty() || FindKey(rest, key) != std::string::npos) {
            continue;
        }
        expanded += key + "=" + Trim(trimmed.substr(equals + 1)) + ";";
    }
    return expanded + rest;
}

bool CODBCConnection::Connect(const std::string& connectionString) {
    Disconnect();
    hasError_ = false;
    errorText_.clear();
    if (connectionString.empty()) {
        SetError("ODBC Connection Failed\n\nConnection String:\t");
        return false;
    }
    SQLHENV environment = GetEnvironment();
    if (environment == SQL_NULL_HENV) {
        SetError(EnvironmentError());
        return false;
    }
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection_))) {
        connection_ = SQL_NULL_HDBC;
        SetError(FormatDiagnostics(SQL_HANDLE_ENV, environment, "ODBC Connection Failed"));
        return false;
    }
    SQLSetConnectAttrW(connection_, SQL_ATTR_ACCESS_MODE,
                       reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
    SQLSetConnectAttrW(connection_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
    std::u16string wide = Utf8ToUtf16(ExpandFileDsn(connectionString));
    // No buffer for the completed string: it is not used, and unixODBC reads
    // past the end of that buffer for drivers without wide entry points.
    SQLSMALLINT completedLength = 0;
    const SQLRETURN result =
        SQLDriverConnectW(connection_, nullptr, reinterpret_cast<SQLWCHAR*>(wide.data()), SQL_NTS,
                          nullptr, 0, &completedLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(result)) {
        // The password never reaches an error text, and so never a log.
        SetError(FormatDiagnostics(
            SQL_HANDLE_DBC, connection_,
            "ODBC Connection Failed\n\nConnection String:\t" + MaskPasswords(connectionString)));
        SQLFreeHandle(SQL_HANDLE_DBC, connection_);
        connection_ = SQL_NULL_HDBC;
        return false;
    }
    SQLWCHAR name[37] = {};
    SQLSMALLINT nameLength = 0;
    SQLGetInfoW(connection_, SQL_DBMS_NAME, name, sizeof name, &nameLength);
    dbmsKind_ = DbmsKindOf(Utf16ToUtf8(reinterpret_cast<const char16_t*>(name)));
    return true;
}

void CODBCConnection::Disconnect() {
    if (connection_ != SQL_NULL_HDBC) {
        SQLDisconnect(connection_);
        SQLFreeHandle(SQL_HANDLE_DBC, connection_);
        connection_ = SQL_NULL_HDBC;
    }
    dbmsKind_ = kOther;
    tables_.clear();
    tablesLoaded_ = false;
}

int32_t CODBCConnection::GetTableCount() {
    if (!tablesLoaded_) {
        LoadTableNames();
    }
    return static_cast<int32_t>(tables_.size());
}

std::string CODBCConnection::GetTableName(int32_t index) {
    if (!tablesLoaded_) {
        LoadTableNames();
    }
    if (index < 0 || static_cast<size_t>(index) >= tables_.size()) {
        return {};
    }
    auto it = tables_.begin();
    std::advance(it, index);
    return *it;
}

void CODBCConnection::AddTables(SQLHSTMT statement, int column,
                                std::set<std::string, Utf16OrderLess>& into,
                                const std::string* typeFilter) {
    while (SQL_SUCCEEDED(SQLFetch(statement))) {
        const std::string name = ReadWideText(statement, static_cast<SQLUSMALLINT>(column));
        if (typeFilter) {
            const std::string type = ReadWideText(statement, 4);
            if (!type.empty() && typeFilter->find(ToUpper(type)) == std::string::npos) {
                into.erase(name);
            }
            continue;
        }
        if (!name.empty()) {
            into.insert(name);
        }
    }
}

void CODBCConnection::LoadOracleTableNames() {
    std::unique_ptr<IResultSet> result = CreateResultSet(
        kStatement,
        "SELECT TABLE_NAME FROM USER_CATALOG WHERE TABLE_TYPE = 'TABLE' OR TABLE_TYPE = "
        "'VIEW'",
        0);
    if (result && result->HasError()) {
        SetError(result->GetErrorText());
    }
    while (result && result->Fetch()) {
        const std::string name(result->GetValue(0));
        if (name.find("_QTABLE_") == std::string::npos) {
            tables_.insert(name);
        }
    }
}

void CODBCConnection::LoadTableNames() {
    tables_.clear();
    tablesLoaded_ = true;
    if (connection_ == SQL_NULL_HDBC) {
        return;
    }
    if (dbmsKind_ == kOracle) {
        LoadOracleTableNames();
        return;
    }
    SQLHSTMT statement = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement))) {
        SetError(FormatDiagnostics(SQL_HANDLE_DBC, connection_, ""));
        return;
    }
    auto listAll = [&](const std::string* typeFilter) {
        if (!SQL_SUCCEEDED(SQLTablesW(statement, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0))) {
            SetError(FormatDiagnostics(SQL_HANDLE_STMT, statement, ""));
            return;
        }
        AddTables(statement, 3, tables_, typeFilter);
        SQLFreeStmt(statement, SQL_CLOSE);
    };
    SQLUSMALLINT privilegesSupported = SQL_FALSE;
    SQLGetFunctions(connection_, SQL_API_SQLTABLEPRIVILEGES, &privilegesSupported);
    const bool listEverything = dbmsKind_ == kExcel || dbmsKind_ == kAccess ||
                                dbmsKind_ == kFoxPro || privilegesSupported != SQL_TRUE;
    if (listEverything) {
        listAll(nullptr);
    } else if (SQL_SUCCEEDED(SQLTablePrivilegesW(statement, nullptr, 0, nullptr, 0, nullptr, 0))) {
        while (SQL_SUCCEEDED(SQLFetch(statement))) {
            const std::string name = ReadWideText(statement, 3);
            const std::string privilege = ReadWideText(statement, 6);
            if (!name.empty() && (privilege.empty() || EqualsIgnoreCase(privilege, "SELECT"))) {
                tables_.insert(name);
            }
        }
        SQLFreeStmt(statement, SQL_CLOSE);
        if (!tables_.empty()) {
            const std::string filter =
                dbmsKind_ == kExcel ? "TABLE+VIEW+SYSTEM TABLE" : "TABLE+VIEW";
            listAll(&filter);
        }
    } else {
        SetError(FormatDiagnostics(SQL_HANDLE_STMT, statement, ""));
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
}

std::unique_ptr<IResultSet> CODBCConnection::CreateResultSet(int32_t mode, const std::string& text,
                                                             int32_t rowLimit) {
    if (text.empty()) {
        return nullptr;
    }
    auto result = std::make_unique<CODBCResultSet>();
    result->Open(this, mode, text, rowLimit);
    return result;
}

}  // namespace Norvik
