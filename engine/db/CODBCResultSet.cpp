#include "CODBCResultSet.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>

#include "CODBCConnection.h"
#include "ODBCDiagnostics.h"
#include "base/TextUtil.h"

namespace Norvik {

namespace {

std::atomic<bool> emptyDate{false};
constexpr std::string_view kEmptyDate = "1899-12-30";
constexpr size_t kMaxValueBytes = size_t{64} << 20;

int32_t KindOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_NUMERIC:
        case SQL_DECIMAL:
        case SQL_FLOAT:
        case SQL_REAL:
        case SQL_DOUBLE:
            return IResultSet::kDouble;
        case SQL_INTEGER:
        case SQL_SMALLINT:
        case SQL_BIT:
        case SQL_TINYINT:
            return IResultSet::kInteger;
        case SQL_DATE:  // ODBC 2 codes
        case SQL_TIME:
        case SQL_TIMESTAMP:
        case SQL_TYPE_DATE:  // ODBC 3 codes
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
            return IResultSet::kDateTime;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return IResultSet::kNone;
        default:
            return IResultSet::kText;
    }
}

std::string_view Unquoted(std::string_view text) {
    if (!text.empty() && (text.front() == '"' || text.front() == '\'')) {
        text.remove_prefix(1);
        if (!text.empty() && (text.back() == '"' || text.back() == '\'')) {
            text.remove_suffix(1);
        }
    }
    return text;
}

}  // namespace

std::string FixDecimals(std::string_view text, int decimals) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        ++i;
    }
    const size_t digitsStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++i;
    }
    std::string whole(text.substr(digitsStart, i - digitsStart));
    std::string fraction;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
        }
        fraction = std::string(text.substr(start, i - start));
    }
    if (i != text.size() || (whole.empty() && fraction.empty()) || decimals < 0) {
        return std::string(text);
    }
    const auto places = static_cast<size_t>(decimals);
    const bool roundUp = fraction.size() > places && fraction[places] >= '5';
    fraction.resize(places, '0');
    std::string digits = (whole.empty() ? "0" : whole) + fraction;
    if (roundUp) {
        size_t k = digits.size();
        while (k > 0 && digits[k - 1] == '9') {
            digits[--k] = '0';
        }
        if (k == 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[k - 1];
        }
    }
    std::string out = negative && digits.find_first_not_of('0') != std::string::npos ? "-" : "";
    out += digits.substr(0, digits.size() - places);
    if (places > 0) {
        out += '.';
        out += digits.substr(digits.size() - places);
    }
    return out;
}

bool CODBCResultSet::EmptyDateActive() {
    return emptyDate.load();
}

CODBCResultSet::~CODBCResultSet() {
    Close();
}

void CODBCResultSet::Fail(std::string text) {
    hasError_ = true;
    errorText_ = std::move(text);
}

void CODBCResultSet::Close() {
    if (statement_ != SQL_NULL_HSTMT) {
        SQLFreeHandle(SQL_HANDLE_STMT, statement_);
        statement_ = SQL_NULL_HSTMT;
    }
    columns_.clear();
    if (connection_) {
        --connection_->openResultSets;
        connection_ = nullptr;
    }
}

bool CODBCResultSet::Open(CODBCConnection* connection, int32_t mode, const std::string& text,
                          int32_t rowLimit) {
    Close();
    hasError_ = false;
    errorText_.clear();
    if (!connection || connection->Handle() == SQL_NULL_HDBC) {
        Fail("ODBC Driver Error\n\nThere is no connection");
        return false;
    }
    connection_ = connection;
    ++connection_->openResultSets;
    if (connection->GetDbmsKind() == IConnection::kAccess ||
        connection->GetDbmsKind() == IConnection::kFoxPro) {
        emptyDate.store(true);
    }
    std::string statementText = text;
    if (mode & IConnection::kTable) {
        if (text.empty()) {
            Fail("ODBC Driver Error\n\nNo table name was given");
            return false;
        }
        statementText = "SELECT * FROM \"" + text + "\"";
    }
    if (statementText.empty() || rowLimit < 0) {
        Fail("ODBC Driver Error\n\nNo statement was given");
        return false;
    }
    return Execute(statementText, rowLimit) && DescribeColumns();
}

bool CODBCResultSet::Execute(const std::string& statementText, int32_t rowLimit) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection_->Handle(), &statement_))) {
        Fail(FormatDiagnostics(SQL_HANDLE_DBC, connection_->Handle(), ""));
        statement_ = SQL_NULL_HSTMT;
        return false;
    }
    SQLSetStmtAttrW(statement_, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(20), 0);
    if (rowLimit > 0) {
        SQLSetStmtAttrW(statement_, SQL_ATTR_MAX_ROWS,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(rowLimit)), 0);
    }
    std::u16string wide = Utf8ToUtf16(statementText);
    const SQLRETURN executed =
        SQLExecDirectW(statement_, reinterpret_cast<SQLWCHAR*>(wide.data()), SQL_NTS);
    if (!SQL_SUCCEEDED(executed) && executed != SQL_NO_DATA) {
        Fail(FormatDiagnostics(SQL_HANDLE_STMT, statement_, ""));
        SQLFreeHandle(SQL_HANDLE_STMT, statement_);
        statement_ = SQL_NULL_HSTMT;
        return false;
    }
    return true;
}

bool CODBCResultSet::DescribeColumns() {
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(statement_, &count))) {
        Fail(FormatDiagnostics(SQL_HANDLE_STMT, statement_, ""));
        Close();
        return false;
    }
    for (SQLUSMALLINT number = 1; number <= static_cast<SQLUSMALLINT>(count); ++number) {
        SQLWCHAR name[129] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN size = 0;
        SQLSMALLINT decimals = 0;
        SQLSMALLINT nullable = 0;
        if (!SQL_SUCCEEDED(SQLDescribeColW(statement_, number, name, 128, &nameLength, &sqlType,
                                           &size, &decimals, &nullable))) {
            Fail(FormatDiagnostics(SQL_HANDLE_STMT, statement_, ""));
            Close();
            return false;
        }
        const int32_t kind = KindOf(sqlType);
        if (kind == kNone) {
            continue;  // binary data has no text
        }
        Column column;
        column.name = Utf16ToUtf8(reinterpret_cast<const char16_t*>(name));
        column.kind = kind;
        column.number = number;
        column.sqlType = sqlType;
        column.decimals = decimals;
        columns_.push_back(std::move(column));
    }
    return true;
}

std::string CODBCResultSet::GetColumnInfo(int32_t index, int32_t& kind) const {
    if (index < 0 || static_cast<size_t>(index) >= columns_.size()) {
        kind = kNone;
        return {};
    }
    kind = columns_[static_cast<size_t>(index)].kind;
    return columns_[static_cast<size_t>(index)].name;
}

std::string_view CODBCResultSet::GetValue(int32_t index) const {
    if (statement_ == SQL_NULL_HSTMT || index < 0 ||
        static_cast<size_t>(index) >= columns_.size()) {
        return {};
    }
    return columns_[static_cast<size_t>(index)].text;
}

// Reads a whole text value in pieces; false when the driver failed. NULL
// gives the empty text.
bool CODBCResultSet::ReadText(const Column& column, std::string& out) {
    out.clear();
    constexpr SQLLEN kChunk = 4096;
    buffer_.resize(kChunk);
    while (true) {
        SQLLEN indicator = 0;
        const SQLRETURN result =
            SQLGetData(statement_, column.number, SQL_C_WCHAR, buffer_.data(),
                       kChunk * static_cast<SQLLEN>(sizeof(char16_t)), &indicator);
        if (result == SQL_NO_DATA) {
            return true;
        }
        if (!SQL_SUCCEEDED(result)) {
            return false;
        }
        if (indicator == SQL_NULL_DATA) {
            out.clear();
            return true;
        }
        size_t units = kChunk - 1;  // the piece fills the buffer but its terminator
        if (indicator != SQL_NO_TOTAL && indicator >= 0 &&
            static_cast<size_t>(indicator) / sizeof(char16_t) < units) {
            units = static_cast<size_t>(indicator) / sizeof(char16_t);
        }
        out += Utf16ToUtf8(std::u16string_view(buffer_.data(), units));
        if (result == SQL_SUCCESS || out.size() > kMaxValueBytes) {
            return true;
        }
    }
}

bool CODBCResultSet::ReadValue(Column& column) {
    switch (column.kind) {
        case kInteger:
            return ReadInteger(column);
        case kDouble:
            // Exact: a double would lose digits of long decimals.
            return column.sqlType == SQL_NUMERIC || column.sqlType == SQL_DECIMAL
                       ? ReadDecimal(column)
                       : ReadDouble(column);
        case kDateTime:
            if (!ReadText(column, column.text)) {
                return false;
            }
            if (emptyDate.load() && column.text == kEmptyDate) {
                column.text.clear();
            }
            return true;
        default:
            if (!ReadText(column, column.text)) {
                return false;
            }
            if (removeQuotes_) {
                column.text = std::string(Unquoted(column.text));
            }
            if (trim_) {
                column.text = Trim(column.text);
            }
            return true;
    }
}

bool CODBCResultSet::ReadInteger(Column& column) {
    SQLLEN indicator = 0;
    SQLINTEGER value = 0;
    if (!SQL_SUCCEEDED(SQLGetData(statement_, column.number, SQL_C_SLONG, &value, 0, &indicator))) {
        return false;
    }
    column.text = indicator == SQL_NULL_DATA ? std::string() : std::to_string(value);
    return true;
}

bool CODBCResultSet::ReadDecimal(Column& column) {
    if (!ReadText(column, column.text)) {
        return false;
    }
    if (column.decimals > 0 && !column.text.empty()) {
        column.text = FixDecimals(column.text, column.decimals);
    }
    return true;
}

bool CODBCResultSet::ReadDouble(Column& column) {
    SQLLEN indicator = 0;
    double value = 0.0;
    if (!SQL_SUCCEEDED(
            SQLGetData(statement_, column.number, SQL_C_DOUBLE, &value, 0, &indicator))) {
        return false;
    }
    if (indicator == SQL_NULL_DATA) {
        column.text.clear();
        return true;
    }
    char buffer[512];
    if (column.decimals > 0) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                          std::chars_format::fixed, column.decimals);
        column.text.assign(buffer, result.ptr);
    } else {
        // As the automation conversion writes a double: 15 significant
        // digits, an upper-case exponent; the point is '.' in every locale.
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
        column.text.assign(buffer, result.ptr);
        std::replace(column.text.begin(), column.text.end(), 'e', 'E');
    }
    return true;
}

bool CODBCResultSet::Fetch() {
    if (statement_ == SQL_NULL_HSTMT) {
        return false;
    }
    const SQLRETURN result = SQLFetch(statement_);
    if (result == SQL_NO_DATA) {
        return false;
    }
    if (!SQL_SUCCEEDED(result)) {
        Fail(FormatDiagnostics(SQL_HANDLE_STMT, statement_, ""));
        return false;
    }
    for (Column& column : columns_) {
        if (!ReadValue(column)) {
            Fail(FormatDiagnostics(SQL_HANDLE_STMT, statement_, ""));
            return false;
        }
    }
    return true;
}

}  // namespace Norvik
