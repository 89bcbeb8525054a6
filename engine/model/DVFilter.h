#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/DateTimeParts.h"

// One filter operator: its code, the name the filter page shows and the SQL
// template (column expression, opening quote, value, closing quote).
struct FilterOperator {
    int32_t code;
    const char* name;
    const char* sqlTemplate;
};

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
    // The data type of the filtered column; a number also reads the value as
    // a number, a date-time parses it (date sequence YMD).
    void SetValueType(int32_t type);
    void SetColumnIndex(int32_t index) { columnIndex_ = index; }

    bool IsAnd() const noexcept { return isAnd_; }
    int32_t ColumnId() const noexcept { return columnId_; }
    int32_t OperatorCode() const noexcept { return operatorCode_; }
    const std::string& Value() const noexcept { return value_; }
    int32_t ValueType() const noexcept { return valueType_; }
    int32_t ColumnIndex() const noexcept { return columnIndex_; }
    double NumericValue() const noexcept { return numericValue_; }
    const DateTimeParts& DateValue() const noexcept { return dateValue_; }

    // The 13 operators, indexed by code; null for an unknown code.
    static const FilterOperator* FindOperator(int32_t code);

    // text against the value, by value type: case-insensitive text, numbers,
    // or dates part by part (a filter date without year, month or day matches
    // every year, month or day). -1, 0 or 1 (dates: the first difference).
    int Compare(std::string_view text) const;
    // Whether text (a comparison form) meets the condition.
    bool Evaluate(std::string_view text) const;
    // Whether a number filter with a comparing operator can be given the
    // number itself (EvaluateNumber) instead of its comparison form.
    bool ComparesNumbers() const noexcept;
    bool EvaluateNumber(double number) const;
    // The condition as SQL text for a column name; empty for no operator.
    std::string BuildSqlCondition(std::string_view columnName) const;

    // Equal as stored in a definition (join, column, operator, value).
    bool SameSettings(const DVFilter& other) const {
        return isAnd_ == other.isAnd_ && columnId_ == other.columnId_ &&
               operatorCode_ == other.operatorCode_ && value_ == other.value_;
    }

protected:
    // Whether a comparing operator holds for an order (-1, 0, 1) of the
    // tested value against the filter's.
    bool Holds(int order) const;

    bool isAnd_ = true;
    int32_t columnId_ = 0;
    int32_t operatorCode_ = kNone;
    int32_t columnIndex_ = -1;
    int32_t valueType_ = 0;
    std::string value_;
    double numericValue_ = 0.0;
    DateTimeParts dateValue_;
};
