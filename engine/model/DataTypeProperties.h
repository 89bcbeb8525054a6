#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The data type of a column or an XML node and its formatting settings.
class DataTypeProperties {
public:
    enum DataType : int32_t { kText = 0, kNumber = 1, kDateTime = 2 };
    enum CaseType : int32_t { kCaseNone = 0, kCaseUpper = 1, kCaseLower = 2, kCaseProper = 3 };
    // Order of the date parts in input text.
    enum DateSequence : int32_t { kYMD = 0, kMDY = 1, kDMY = 2, kMYD = 3, kDYM = 4, kYDM = 5 };

    void ResetDataType() { *this = DataTypeProperties(); }

    // The value formatted by the data type alone: case for text (1 upper,
    // 2 lower, any other non-zero value proper), number format, or a date
    // re-formatted with the pattern (empty when it does not parse).
    std::string Format(std::string_view value) const;
    bool operator==(const DataTypeProperties&) const = default;

    int32_t dataType = kText;
    int32_t caseType = kCaseNone;
    bool insertParagraphTags = false;  // text: wrap lines in <p>…</p>
    bool insertBrTags = false;         // text: <br/> at line ends
    int32_t dateSequence = kYMD;
    bool thousands = false;  // number: group digits
    int32_t precision = -1;  // number: decimal places; -1 keeps the input's (at most 9)
    bool currency = false;   // number: currency format
    std::string format;      // date-time: output pattern; empty = short date
};
