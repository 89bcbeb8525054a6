#include "CWorkbookConnection.h"

#include <sqlite3.h>

#include <charconv>

#include "CWorkbookResultSets.h"
#include "ODBCDiagnostics.h"

namespace Norvik {

namespace {

std::string QuotedIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

// A table with the sheet's columns; one of text when the sheet has none.
std::string CreateTableText(const std::string& table, const std::vector<std::string>& names,
                            const std::vector<int32_t>& kinds) {
    if (names.empty()) {
        return "CREATE TABLE " + table + " (F1 TEXT)";
    }
    std::string create = "CREATE TABLE " + table + " (";
    for (size_t c = 0; c < names.size(); ++c) {
        create += (c ? ", " : "") + QuotedIdentifier(names[c]) + " " +
                  (kinds[c] == IResultSet::kDouble
                       ? "REAL"
                       : (kinds[c] == IResultSet::kDateTime ? "TIMESTAMP" : "TEXT"));
    }
    return create + ")";
}

std::string InsertText(const std::string& table, size_t columns) {
    std::string insert = "INSERT INTO " + table + " VALUES (";
    for (size_t c = 0; c < columns; ++c) {
        insert += c ? ", ?" : "?";
    }
    return insert + ")";
}

// Cells beyond the row's end, and empty ones, are NULL.
void BindRow(sqlite3_stmt* statement, const std::vector<WorkbookSheet::Cell>& row,
             const std::vector<int32_t>& kinds, size_t columns) {
    for (size_t c = 0; c < columns; ++c) {
        const int parameter = static_cast<int>(c + 1);
        if (c >= row.size() || row[c].type == WorkbookSheet::Cell::kEmpty) {
            sqlite3_bind_null(statement, parameter);
        } else if (kinds[c] == IResultSet::kDouble) {
            // The reader writes numbers with '.' whatever the locale.
            double value = 0.0;
            const std::string& text = row[c].text;
            std::from_chars(text.data(), text.data() + text.size(), value);
            sqlite3_bind_double(statement, parameter, value);
        } else {
            sqlite3_bind_text(statement, parameter, row[c].text.c_str(),
                              static_cast<int>(row[c].text.size()), SQLITE_TRANSIENT);
        }
    }
}

}  // namespace

CWorkbookConnection::CWorkbookConnection() = default;

CWorkbookConnection::~CWorkbookConnection() {
    Disconnect();
}

std::string CWorkbookConnection::ConnectionValue(const std::string& connectionString,
                                                 std::string_view key) {
    size_t pos = 0;
    while (pos < connectionString.size()) {
        size_t end = connectionString.find(';', pos);
        if (end == std::string::npos) {
            end = connectionString.size();
        }
        const std::string_view pair(connectionString.data() + pos, end - pos);
        const size_t equals = pair.find('=');
        if (equals != std::string_view::npos &&
            EqualsIgnoreCase(TrimView(pair.substr(0, equals)), key)) {
            std::string value(TrimView(pair.substr(equals + 1)));
            if (value.size() >= 2 && value.front() == '{' && value.back() == '}') {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
        pos = end + 1;
    }
    return {};
}

bool CWorkbookConnection::Connect(const std::string& connectionString) {
    Disconnect();
    hasError_ = false;
    errorText_.clear();
    const std::string path = ConnectionValue(connectionString, "DBQ");
    auto workbook = std::make_unique<CWorkbook>();
    std::string error;
    if (path.empty()) {
        error = "No workbook was named (DBQ)";
    } else if (workbook->Open(path, error)) {
        workbook_ = std::move(workbook);
        return true;
    }
    hasError_ = true;
    errorText_ = "ODBC Connection Failed\n\nConnection String:\t" +
                 MaskPasswords(connectionString) + "\n\nSQL State:\tHY000 - General error\n" +
                 "Error Code:\t0\nDescription:\t" + error;
    return false;
}

void CWorkbookConnection::Disconnect() {
    if (database_) {
        sqlite3_close(database_);
        database_ = nullptr;
    }
    loaded_.clear();
    workbook_.reset();
    tables_.clear();
}

void CWorkbookConnection::LoadTableNames() {
    tables_.clear();
    if (!workbook_) {
        return;
    }
    for (const std::string& name : workbook_->SheetNames()) {
        tables_.insert(name + "$");
    }
}

int32_t CWorkbookConnection::GetTableCount() {
    if (tables_.empty()) {
        LoadTableNames();
    }
    return static_cast<int32_t>(tables_.size());
}

std::string CWorkbookConnection::GetTableName(int32_t index) {
    if (tables_.empty()) {
        LoadTableNames();
    }
    if (index < 0 || static_cast<size_t>(index) >= tables_.size()) {
        return {};
    }
    auto it = tables_.begin();
    std::advance(it, index);
    return *it;
}

int32_t CWorkbookConnection::SheetIndex(std::string_view table) const {
    if (table.size() >= 2 && table.front() == '[' && table.back() == ']') {
        table = table.substr(1, table.size() - 2);
    }
    if (!table.empty() && table.back() == '$') {
        table.remove_suffix(1);
    }
    const std::vector<std::string>& names = workbook_->SheetNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (EqualsIgnoreCase(names[i], table)) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

bool CWorkbookConnection::LoadIntoDatabase(size_t index, std::string& error) {
    if (loaded_.count(index)) {
        return true;
    }
    WorkbookSheet sheet;
    if (!workbook_->LoadSheet(index, sheet, error)) {
        return false;
    }
    std::vector<std::string> names;
    std::vector<int32_t> kinds;
    CSheetResultSet::Describe(sheet, names, kinds);
    const std::string table = QuotedIdentifier(sheet.name + "$");
    const std::string create = CreateTableText(table, names, kinds);
    char* message = nullptr;
    if (sqlite3_exec(database_, create.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = message ? message : "cannot load the worksheet";
        sqlite3_free(message);
        return false;
    }
    loaded_.insert(index);
    if (names.empty()) {
        return true;
    }
    const std::string insert = InsertText(table, names.size());
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database_, insert.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(database_);
        return false;
    }
    // One transaction: a statement per row would each be committed alone.
    sqlite3_exec(database_, "BEGIN", nullptr, nullptr, nullptr);
    for (size_t r = 1; r < sheet.rows.size(); ++r) {
        BindRow(statement, sheet.rows[r], kinds, names.size());
        sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    sqlite3_exec(database_, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(statement);
    return true;
}

std::unique_ptr<IResultSet> CWorkbookConnection::CreateResultSet(int32_t mode,
                                                                 const std::string& text,
                                                                 int32_t rowLimit) {
    if (text.empty() || !workbook_) {
        return nullptr;
    }
    std::string error;
    if (mode & kTable) {
        const int32_t index = SheetIndex(text);
        WorkbookSheet sheet;
        if (index < 0) {
            error = "The worksheet " + text + " does not exist";
        } else if (workbook_->LoadSheet(static_cast<size_t>(index), sheet, error)) {
            return std::make_unique<CSheetResultSet>(std::move(sheet), rowLimit);
        }
        return std::make_unique<CFailedResultSet>(
            "ODBC Driver Error\n\nSQL State:\t42S02 - Base table or view not found\n"
            "Error Code:\t0\nDescription:\t" +
            error);
    }
    if (!database_ &&
        sqlite3_open_v2(":memory:", &database_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        error = "cannot open the query engine";
    }
    // Only the worksheets the statement names are loaded.
    const std::string lower = ToLower(text);
    const std::vector<std::string>& names = workbook_->SheetNames();
    for (size_t i = 0; i < names.size() && error.empty(); ++i) {
        if (lower.find(ToLower(names[i] + "$")) != std::string::npos) {
            LoadIntoDatabase(i, error);
        }
    }
    if (!error.empty()) {
        return std::make_unique<CFailedResultSet>(
            "ODBC Driver Error\n\nSQL State:\tHY000 - General error\nError Code:\t0\n"
            "Description:\t" +
            error);
    }
    return std::make_unique<CSQLiteResultSet>(database_, text, rowLimit);
}

}  // namespace Norvik
