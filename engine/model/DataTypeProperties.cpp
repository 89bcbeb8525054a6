#include "DataTypeProperties.h"

#include "CaseConversion.h"
#include "DateFormat.h"
#include "NumberFormat.h"

std::string DataTypeProperties::Format(std::string_view value) const {
    switch (dataType) {
        case kNumber:
            return FormatNumber(value, precision, thousands, currency);
        case kDateTime: {
            DateTimeParts parts;
            return ParseDate(value, dateSequence, parts) ? FormatDate(parts, format)
                                                         : std::string();
        }
        default:
            if (caseType == kCaseNone) {
                return std::string(value);
            }
            return ConvertCase(value, (caseType == kCaseUpper || caseType == kCaseLower)
                                          ? caseType
                                          : static_cast<int32_t>(kCaseProper));
    }
}
