#include "DVFilter.h"

#include <charconv>
#include <initializer_list>

#include "DataTypeProperties.h"
#include "DateFormat.h"
#include "NumberFormat.h"
#include "base/Assign.h"
#include "base/TextUtil.h"

bool DVFilter::SetJoin(bool isAndJoin) {
    return AssignIfChanged(isAnd_, isAndJoin);
}

bool DVFilter::SetColumnId(int32_t id) {
    return AssignIfChanged(columnId_, id);
}

bool DVFilter::SetOperator(int32_t code) {
    return AssignIfChanged(operatorCode_, code);
}

bool DVFilter::SetValue(std::string_view text) {
    return AssignIfChanged(value_, text);
}

namespace {

constexpr FilterOperator kOperators[] = {
    {DVFilter::kNone, "(none)", ""},
    {DVFilter::kEquals, "equals", "%s = %s%s%s"},
    {DVFilter::kNotEquals, "does not equal", "NOT %s = %s%s%s"},
    {DVFilter::kGreater, "is greater than", "%s > %s%s%s"},
    {DVFilter::kGreaterOrEqual, "is greater than or equal to", "%s >= %s%s%s"},
    {DVFilter::kLess, "is less than", "%s < %s%s%s"},
    {DVFilter::kLessOrEqual, "is less than or equal to", "%s <= %s%s%s"},
    {DVFilter::kBeginsWith, "begins with", "%s LIKE %s%s%%%s"},
    {DVFilter::kNotBeginsWith, "does not begin with", "NOT %s LIKE %s%s%%%s"},
    {DVFilter::kEndsWith, "ends with", "%s LIKE %s%%%s%s"},
    {DVFilter::kNotEndsWith, "does not end with", "NOT %s LIKE %s%%%s%s"},
    {DVFilter::kContains, "contains", "%s LIKE %s%%%s%%%s"},
    {DVFilter::kNotContains, "does not contain", "NOT %s LIKE %s%%%s%%%s"},
};

// The leading number of text, as wtof reads it; 0 when there is none.
double LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && Norvik::IsSpace(text[i])) {
        ++i;
    }
    if (i < text.size() && text[i] == '+') {
        ++i;
    }
    double value = 0.0;
    const auto result = FromCharsDecimal(text.data() + i, text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

int Sign(int64_t difference) {
    return difference < 0 ? -1 : (difference > 0 ? 1 : 0);
}

// Case-insensitive ordinal comparison of two texts.
int CompareIgnoreCase(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = Norvik::ToLowerChar(Norvik::NextCodePoint(a, i));
        const char32_t cb = Norvik::ToLowerChar(Norvik::NextCodePoint(b, j));
        if (ca != cb) {
            // UTF-16 order: supplementary characters sort below U+E000.
            auto unit = [](char32_t c) {
                return c >= 0x10000 ? 0xD800 + ((c - 0x10000) >> 10) : c;
            };
            return unit(ca) < unit(cb) ? -1 : 1;
        }
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

// Whether text holds prefix at its start (or suffix at its end), ignoring case.
bool MatchesAt(std::string_view text, std::string_view part, bool atEnd) {
    const std::string lowerText = Norvik::ToLower(text);
    const std::string lowerPart = Norvik::ToLower(part);
    if (lowerPart.size() > lowerText.size()) {
        return false;
    }
    return atEnd ? lowerText.compare(lowerText.size() - lowerPart.size(), lowerPart.size(),
                                     lowerPart) == 0
                 : lowerText.compare(0, lowerPart.size(), lowerPart) == 0;
}

// Characters, not bytes: a value longer than the text can never match.
size_t CharacterCount(std::string_view text) {
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); ++count) {
        Norvik::NextCodePoint(text, pos);
    }
    return count;
}

bool NumericLooking(std::string_view value) {
    for (char c : value) {
        if (!((c >= '0' && c <= '9') || c == ',' || c == '-' || c == '.')) {
            return false;
        }
    }
    return true;
}

std::string FillTemplate(const char* sqlTemplate, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    for (const char* p = sqlTemplate; *p; ++p) {
        if (p[0] == '%' && p[1] == '%') {
            out += '%';
            ++p;
        } else if (p[0] == '%' && p[1] == 's') {
            if (next != args.end()) {
                out.append(*next++);
            }
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

const FilterOperator* DVFilter::FindOperator(int32_t code) {
    for (const FilterOperator& op : kOperators) {
        if (op.code == code) {
            return &op;
        }
    }
    return nullptr;
}

void DVFilter::SetValueType(int32_t type) {
    valueType_ = type;
    if (type == DataTypeProperties::kNumber) {
        numericValue_ = LeadingNumber(value_);
    } else if (type == DataTypeProperties::kDateTime) {
        ParseDate(value_, DataTypeProperties::kYMD, dateValue_);
    }
}

int DVFilter::Compare(std::string_view text) const {
    switch (valueType_) {
        case DataTypeProperties::kText:
            return CompareIgnoreCase(text, value_);
        case DataTypeProperties::kNumber: {
            const double number = LeadingNumber(text);
            return number < numericValue_ ? -1 : (number > numericValue_ ? 1 : 0);
        }
        case DataTypeProperties::kDateTime: {
            DateTimeParts date;
            ParseDate(text, DataTypeProperties::kYMD, date);
            const DateTimeParts& f = dateValue_;
            if (f.year != 0 && date.year != f.year) {
                return Sign(int64_t{date.year} - f.year);
            }
            if (f.month != -1 && date.month != f.month) {
                return Sign(int64_t{date.month} - f.month);
            }
            if (f.day != 0 && date.day != f.day) {
                return Sign(int64_t{date.day} - f.day);
            }
            if (date.hour != f.hour) {
                return Sign(int64_t{date.hour} - f.hour);
            }
            if (date.minute != f.minute) {
                return Sign(int64_t{date.minute} - f.minute);
            }
            return Sign(int64_t{date.second} - f.second);
        }
        default:
            return 0;
    }
}

bool DVFilter::ComparesNumbers() const noexcept {
    return valueType_ == DataTypeProperties::kNumber && operatorCode_ >= kEquals &&
           operatorCode_ <= kLessOrEqual;
}

bool DVFilter::EvaluateNumber(double number) const {
    return Holds(number < numericValue_ ? -1 : (number > numericValue_ ? 1 : 0));
}

bool DVFilter::Holds(int order) const {
    switch (operatorCode_) {
        case kEquals:
            return order == 0;
        case kNotEquals:
            return order != 0;
        case kGreater:
            return order > 0;
        case kGreaterOrEqual:
            return order >= 0;
        case kLess:
            return order < 0;
        case kLessOrEqual:
            return order <= 0;
        default:
            return true;
    }
}

bool DVFilter::Evaluate(std::string_view text) const {
    switch (operatorCode_) {
        case kNone:
            return true;
        case kEquals:
        case kNotEquals:
        case kGreater:
        case kGreaterOrEqual:
        case kLess:
        case kLessOrEqual:
            return Holds(Compare(text));
        case kBeginsWith:
        case kNotBeginsWith:
        case kEndsWith:
        case kNotEndsWith: {
            const bool matches = !text.empty() && !value_.empty() &&
                                 CharacterCount(value_) <= CharacterCount(text) &&
                                 MatchesAt(text, value_, operatorCode_ >= kEndsWith);
            const bool negated = operatorCode_ == kNotBeginsWith || operatorCode_ == kNotEndsWith;
            return negated ? !matches : matches;
        }
        case kContains:
        case kNotContains: {
            const bool found =
                text.find(value_) != std::string_view::npos ||
                Norvik::ToLower(text).find(Norvik::ToLower(value_)) != std::string::npos;
            return operatorCode_ == kContains ? found : !found;
        }
        default:
            return false;
    }
}

std::string DVFilter::BuildSqlCondition(std::string_view columnName) const {
    const FilterOperator* op = FindOperator(operatorCode_);
    if (!op || operatorCode_ == kNone) {
        return {};
    }
    const std::string_view sqlTemplate = op->sqlTemplate;
    bool useConvert = false;
    if (valueType_ != DataTypeProperties::kText) {
        useConvert = sqlTemplate.find("LIKE") != std::string_view::npos || !NumericLooking(value_);
    }
    std::string column;
    std::string quote;
    if (useConvert) {
        column = "{fn CONVERT(" + std::string(columnName) + ", SQL_VARCHAR)}";
        quote = "'";
    } else {
        column = "[" + std::string(columnName) + "]";
        quote = (valueType_ != DataTypeProperties::kText && !value_.empty()) ? "" : "'";
    }
    return FillTemplate(op->sqlTemplate, {column, quote, value_, quote});
}
