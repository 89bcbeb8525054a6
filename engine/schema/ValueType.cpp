#include "ValueType.h"

#include "DatePatternType.h"
#include "model/CSCol.h"
#include "model/DVFile.h"
#include "model/RegionalSettings.h"
#include "model/XMLNode.h"

namespace {

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Whether text is written the way a number of this type is (a default value
// is written as it was typed, not formatted).
bool Fits(const ValueType& type, std::string_view text) {
    if (!text.empty() && text.front() == '-') {
        text.remove_prefix(1);
    }
    const size_t point = text.find('.');
    if (type.base == "xs:integer") {
        return IsDigits(text);
    }
    if (point == std::string_view::npos) {
        return IsDigits(text);
    }
    const std::string_view whole = text.substr(0, point);
    const std::string_view decimals = text.substr(point + 1);
    return (whole.empty() || IsDigits(whole)) && IsDigits(decimals) &&
           (type.fractionDigits < 0 || decimals.size() <= static_cast<size_t>(type.fractionDigits));
}

// What FormatNumber writes with these settings. Decimals depend on the
// locale's separator, known only when the definition asks for the invariant
// settings; groups and currency symbols are the locale's own, and left open.
ValueType NumberType(const DataTypeProperties& format, const DVFile& definition) {
    ValueType type;
    if (format.thousands || format.currency) {
        return type;
    }
    if (format.precision == 0) {
        type.base = "xs:integer";  // no separator at all, '-' in every locale
        return type;
    }
    if (definition.Settings().locale != RegionalSettings::kInvariant) {
        return type;
    }
    type.base = "xs:decimal";
    type.fractionDigits = format.precision > 0 ? format.precision : -1;
    return type;
}

// The type a node's own data type gives whatever it is handed.
ValueType FormatType(const DataTypeProperties& format, const DVFile& definition) {
    switch (format.dataType) {
        case DataTypeProperties::kNumber:
            return NumberType(format, definition);
        case DataTypeProperties::kDateTime:
            return DatePatternType(format.format);
        default:
            return ValueType::String();
    }
}

// The display form of a column (CSCol::PrepareValue): formatted, then the
// last or default value when empty, case, lookup.
ValueType ColumnType(const CSCol& column, const DVFile& definition) {
    if (!column.lookupTable.empty()) {
        // Exact lookups that drop unmatched rows write replacements only.
        ValueType type;
        if (!column.allowPartialMatch && column.skipIfNoMatch) {
            for (const auto& [key, replacement] : column.lookupTable) {
                if (replacement.empty()) {
                    continue;
                }
                bool seen = false;
                for (const std::string& value : type.enumeration) {
                    seen = seen || value == replacement;
                }
                if (!seen) {
                    type.enumeration.push_back(replacement);
                }
            }
            if (type.enumeration.empty()) {
                type.enumeration.push_back("");
            }
        }
        return type;
    }
    if (column.useLastIfEmpty) {
        return ValueType::String();
    }
    ValueType type = FormatType(column, definition);
    if (column.dataType == DataTypeProperties::kText) {
        return ValueType::String();
    }
    if (column.dataType == DataTypeProperties::kDateTime && column.caseType != 0) {
        return ValueType::String();  // month and weekday names change case
    }
    if (!column.defaultValue.empty()) {
        const bool numeric = type.base == "xs:integer" || type.base == "xs:decimal";
        if (!numeric || !Fits(type, column.defaultValue)) {
            return ValueType::String();
        }
    }
    return type;
}

}  // namespace

ValueType ValueType::Of(const XMLNode& node, const DVFile& definition) {
    const DataTypeProperties& format = node.DataType();
    if (node.GetSource() == 0) {
        const std::string& value = node.GetValue();
        ValueType type = format.dataType == DataTypeProperties::kText
                             ? ValueType::String()
                             : FormatType(format, definition);
        if (value.find('{') == std::string::npos) {
            // Constant text: known now, tokens aside.
            type.mayBeEmpty = format.Format(value).empty();
        }
        return type;
    }
    if (format.dataType != DataTypeProperties::kText) {
        // The node formats the column's value itself.
        return FormatType(format, definition);
    }
    if (format.caseType != DataTypeProperties::kCaseNone) {
        return ValueType::String();
    }
    const int32_t index = definition.ColumnIndexById(node.GetSource());
    if (index < 0) {
        return ValueType::String();
    }
    return ColumnType(definition.Columns().at(static_cast<size_t>(index)), definition);
}
