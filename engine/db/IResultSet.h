#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Norvik {

// The rows of one table or statement, every value as text.
class IResultSet {
public:
    // How a column's values arrive (and so which column type a source takes).
    enum BoundKind : int32_t { kNone = 0, kText = 1, kInteger = 4, kDouble = 8, kDateTime = 11 };

    virtual ~IResultSet() = default;

    virtual int32_t GetColumnCount() const = 0;
    // Empty name and kind kNone for an index out of range.
    virtual std::string GetColumnInfo(int32_t index, int32_t& kind) const = 0;
    std::string GetColumnName(int32_t index) const {
        int32_t kind = kNone;
        return GetColumnInfo(index, kind);
    }
    // The current row's value; NULL is the empty text.
    virtual std::string_view GetValue(int32_t index) const = 0;
    // The next row; false at the end or on an error (HasError tells).
    virtual bool Fetch() = 0;
    virtual void Close() = 0;
    virtual bool HasError() const = 0;
    virtual const std::string& GetErrorText() const = 0;
};

}  // namespace Norvik
