#include "CWorkbookResultSets.h"

#include <sqlite3.h>

#include <cstring>

#include "base/TextUtil.h"

namespace Norvik {

void CSheetResultSet::Describe(const WorkbookSheet& sheet, std::vector<std::string>& names,
                               std::vector<int32_t>& kinds) {
    names.clear();
    kinds.clear();
    size_t width = 0;
    for (const auto& row : sheet.rows) {
        width = std::max(width, row.size());
    }
    const std::vector<WorkbookSheet::Cell> empty;
    const std::vector<WorkbookSheet::Cell>& header = sheet.rows.empty() ? empty : sheet.rows[0];
    for (size_t c = 0; c < width; ++c) {
        std::string name = c < header.size() ? Trim(header[c].text) : std::string();
        // Unnamed columns take the names Excel's driver gives them.
        names.push_back(name.empty() ? "F" + std::to_string(c + 1) : name);
        bool numbers = true;
        bool dates = true;
        bool any = false;
        for (size_t r = 1; r < sheet.rows.size(); ++r) {
            if (c >= sheet.rows[r].size() || sheet.rows[r][c].type == WorkbookSheet::Cell::kEmpty) {
                continue;
            }
            any = true;
            numbers = numbers && sheet.rows[r][c].type == WorkbookSheet::Cell::kNumber;
            dates = dates && sheet.rows[r][c].type == WorkbookSheet::Cell::kDate;
        }
        kinds.push_back(!any ? kText : (numbers ? kDouble : (dates ? kDateTime : kText)));
    }
}

CSheetResultSet::CSheetResultSet(WorkbookSheet sheet, int32_t rowLimit)
    : sheet_(std::move(sheet)), rowLimit_(rowLimit) {
    Describe(sheet_, names_, kinds_);
}

std::string CSheetResultSet::GetColumnInfo(int32_t index, int32_t& kind) const {
    if (index < 0 || static_cast<size_t>(index) >= names_.size()) {
        kind = kNone;
        return {};
    }
    kind = kinds_[static_cast<size_t>(index)];
    return names_[static_cast<size_t>(index)];
}

std::string_view CSheetResultSet::GetValue(int32_t index) const {
    if (current_ == 0 || current_ >= sheet_.rows.size() || index < 0) {
        return {};
    }
    const auto& row = sheet_.rows[current_];
    return static_cast<size_t>(index) < row.size() ? std::string_view(row[index].text) : "";
}

bool CSheetResultSet::Fetch() {
    if (rowLimit_ > 0 && fetched_ >= rowLimit_) {
        return false;
    }
    if (next_ >= sheet_.rows.size()) {
        current_ = 0;
        return false;
    }
    current_ = next_++;
    ++fetched_;
    return true;
}

void CSheetResultSet::Close() {
    sheet_.rows.clear();
    current_ = 0;
}

CSQLiteResultSet::CSQLiteResultSet(sqlite3* database, const std::string& statement,
                                   int32_t rowLimit)
    : database_(database), rowLimit_(rowLimit) {
    const int code = sqlite3_prepare_v2(database_, statement.c_str(),
                                        static_cast<int>(statement.size()), &statement_, nullptr);
    if (code != SQLITE_OK || !statement_) {
        Fail(code, sqlite3_errmsg(database_));
        return;
    }
    const int count = sqlite3_column_count(statement_);
    for (int i = 0; i < count; ++i) {
        names_.emplace_back(sqlite3_column_name(statement_, i));
        const char* declared = sqlite3_column_decltype(statement_, i);
        const std::string type = declared ? ToUpper(declared) : "";
        kinds_.push_back(type == "REAL" ? kDouble : (type == "TIMESTAMP" ? kDateTime : kText));
    }
    values_.resize(names_.size());
}

CSQLiteResultSet::~CSQLiteResultSet() {
    Close();
}

// SQLite's messages in the layout of driver diagnostics.
void CSQLiteResultSet::Fail(int code, const char* message) {
    error_ =
        "ODBC Driver Error\n\nSQL State:\t42000 - Syntax error or access violation\n"
        "Error Code:\t" +
        std::to_string(code) + "\nDescription:\t" + (message ? message : "");
}

std::string CSQLiteResultSet::GetColumnInfo(int32_t index, int32_t& kind) const {
    if (index < 0 || static_cast<size_t>(index) >= names_.size()) {
        kind = kNone;
        return {};
    }
    kind = kinds_[static_cast<size_t>(index)];
    return names_[static_cast<size_t>(index)];
}

std::string_view CSQLiteResultSet::GetValue(int32_t index) const {
    if (!statement_ || index < 0 || static_cast<size_t>(index) >= values_.size()) {
        return {};
    }
    return values_[static_cast<size_t>(index)];
}

bool CSQLiteResultSet::Fetch() {
    if (!statement_ || (rowLimit_ > 0 && fetched_ >= rowLimit_)) {
        return false;
    }
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_DONE) {
        return false;
    }
    if (code != SQLITE_ROW) {
        Fail(code, sqlite3_errmsg(database_));
        return false;
    }
    ++fetched_;
    for (size_t i = 0; i < values_.size(); ++i) {
        const int column = static_cast<int>(i);
        switch (sqlite3_column_type(statement_, column)) {
            case SQLITE_NULL:
                values_[i].clear();
                break;
            case SQLITE_FLOAT:
                values_[i] = CWorkbook::NumberText(sqlite3_column_double(statement_, column));
                break;
            default: {
                const unsigned char* text = sqlite3_column_text(statement_, column);
                values_[i] = text ? reinterpret_cast<const char*>(text) : "";
                break;
            }
        }
    }
    return true;
}

void CSQLiteResultSet::Close() {
    if (statement_) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
}

}  // namespace Norvik
