#pragma once

#include <sql.h>

#include <string>
#include <vector>

#include "IResultSet.h"

namespace Norvik {

class CODBCConnection;

// The rows of an ODBC statement, every value as text: numbers with their
// column's decimals ('.' as the point), NUMERIC and DECIMAL exactly as the
// database holds them, integers in decimal, date-times as the driver writes
// them, text whole (no length limit), NULL as the empty text. Binary columns
// are left out.
class CODBCResultSet : public IResultSet {
public:
    CODBCResultSet() = default;
    ~CODBCResultSet() override;

    // Mode IConnection::kTable reads SELECT * FROM "text"; otherwise text is
    // the statement. 20 s query time-out; rowLimit > 0 caps the rows.
    bool Open(CODBCConnection* connection, int32_t mode, const std::string& text, int32_t rowLimit);
    // Trimming and quote removal of text values (off unless set).
    void SetTextFlags(bool trim, bool removeQuotes) {
        trim_ = trim;
        removeQuotes_ = removeQuotes;
    }

    int32_t GetColumnCount() const override { return static_cast<int32_t>(columns_.size()); }
    std::string GetColumnInfo(int32_t index, int32_t& kind) const override;
    std::string_view GetValue(int32_t index) const override;
    bool Fetch() override;
    void Close() override;
    bool HasError() const override { return hasError_; }
    const std::string& GetErrorText() const override { return errorText_; }

    // The text date-time values that stand for "no date" with Access and
    // FoxPro connections ("1899-12-30"), once such a connection was used.
    static bool EmptyDateActive();

private:
    struct Column {
        std::string name;
        int32_t kind = kText;
        SQLUSMALLINT number = 0;  // 1-based column of the statement
        SQLSMALLINT sqlType = 0;
        SQLSMALLINT decimals = 0;
        std::string text;
    };

    void Fail(std::string text);
    // Runs the statement; false (failed) when the driver refuses it.
    bool Execute(const std::string& statementText, int32_t rowLimit);
    // The result's columns; binary ones are left out.
    bool DescribeColumns();
    bool ReadText(const Column& column, std::string& out);
    bool ReadValue(Column& column);
    bool ReadInteger(Column& column);
    bool ReadDecimal(Column& column);  // NUMERIC and DECIMAL, as text
    bool ReadDouble(Column& column);

    CODBCConnection* connection_ = nullptr;
    SQLHSTMT statement_ = SQL_NULL_HSTMT;
    std::vector<Column> columns_;
    bool trim_ = false;
    bool removeQuotes_ = false;
    bool hasError_ = false;
    std::string errorText_;
    std::u16string buffer_;
};

// Rounds or pads a plain decimal text to exactly decimals digits after the
// point (half away from zero); other texts come back unchanged.
std::string FixDecimals(std::string_view text, int decimals);

}  // namespace Norvik
