#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "DateTimeParts.h"

// One filter condition of a definition: a column, an operator and a value,
// joined to the condition before it with AND or OR.
class DVFilter {
public:
    enum Operator : int32_t {
        kNone = 0,
        kEquals = 1,
        kNotEquals = 2,
        kGreater = 3,
        kGreaterOrEqual = 4,
        kLess = 5,
        kLessOrEqual = 6,
        kBeginsWith = 7,
        kNotBeginsWith = 8,
        kEndsWith = 9,
        kNotEndsWith = 10,
        kContains = 11,
        kNotContains = 12,
    };

    // Each setter reports whether the value changed.
    bool SetJoin(bool isAndJoin);
    bool SetColumnId(int32_t id);
    bool SetOperator(int32_t code);
    bool SetValue(std::string_view text);
    void SetValueType(int32_t type) { valueType_ = type; }
    void SetColumnIndex(int32_t index) { columnIndex_ = index; }

    bool IsAnd() const noexcept { return isAnd_; }
    int32_t ColumnId() const noexcept { return columnId_; }
    int32_t OperatorCode() const noexcept { return operatorCode_; }
    const std::string& Value() const noexcept { return value_; }
    int32_t ValueType() const noexcept { return valueType_; }
    int32_t ColumnIndex() const noexcept { return columnIndex_; }
    double NumericValue() const noexcept { return numericValue_; }
    const DateTimeParts& DateValue() const noexcept { return dateValue_; }

    // Equal as stored in a definition (join, column, operator, value).
    bool SameSettings(const DVFilter& other) const {
        return isAnd_ == other.isAnd_ && columnId_ == other.columnId_ &&
               operatorCode_ == other.operatorCode_ && value_ == other.value_;
    }

protected:
    bool isAnd_ = true;
    int32_t columnId_ = 0;
    int32_t operatorCode_ = kNone;
    int32_t columnIndex_ = -1;
    int32_t valueType_ = 0;
    std::string value_;
    double numericValue_ = 0.0;
    DateTimeParts dateValue_;
};
