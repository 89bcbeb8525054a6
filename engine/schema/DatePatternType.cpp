#include "DatePatternType.h"

#include <string>

namespace {

// Characters an XML Schema regular expression gives a meaning to.
bool IsRegexMeta(char c) {
    return std::string_view("\\|.-^?*+{}()[]").find(c) != std::string_view::npos;
}

// What one run of a pattern letter writes (DateFormat's AppendDateField).
std::string RunExpression(char letter, size_t run) {
    const char* oneOrTwo = "[0-9]{1,2}";
    switch (letter) {
        case 'D':
            if (run >= 3) {
                return "[0-9]{1,2}(st|nd|rd|th)";
            }
            return run == 2 ? "[0-9]{2}" : oneOrTwo;
        case 'M':
            if (run <= 2) {
                return run == 2 ? "[0-9]{2}" : oneOrTwo;
            }
            return ".*";  // a month name of the regional settings
        case 'W':
            return ".*";  // a weekday name of the regional settings
        case 'Y':
            // Years are read as 100 or later, so four digits at least.
            return run <= 2 ? "[0-9]{2}" : "[0-9]{4,}";
        case 'h':
        case 'm':
        case 's':
            return run >= 2 ? "[0-9]{2}" : oneOrTwo;
        default:
            return {};
    }
}

}  // namespace

ValueType DatePatternType(std::string_view pattern) {
    ValueType type;
    if (pattern.empty()) {
        return type;
    }
    // Hours are normalised to 0-23 and years to 100 or later, which the
    // ISO types accept with four-digit years.
    if (pattern == "YYYY-MM-DD") {
        type.base = "xs:date";
        return type;
    }
    if (pattern == "YYYY-MM-DDThh:mm:ss") {
        type.base = "xs:dateTime";
        return type;
    }
    if (pattern == "hh:mm:ss") {
        type.base = "xs:time";
        return type;
    }
    std::string expression;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) {
            ++run;
        }
        std::string field = RunExpression(c, run);
        if (!field.empty()) {
            expression += field;
        } else {
            for (size_t k = 0; k < run; ++k) {
                if (c == '\n' || c == '\r') {
                    expression += c == '\n' ? "\\n" : "\\r";
                    continue;
                }
                if (IsRegexMeta(c)) {
                    expression += '\\';
                }
                expression += c;
            }
        }
        i += run;
    }
    type.pattern = expression;
    return type;
}
