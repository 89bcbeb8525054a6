#pragma once

#include <string_view>

#include "ValueType.h"

// The type of the text a date pattern (DateFormat's FormatDate) writes:
// xs:date, xs:dateTime or xs:time for the ISO patterns, else xs:string with a
// pattern facet built from the pattern's letter runs. Names of months and
// weekdays come from the regional settings, so they match any text on one
// line. An empty pattern (the locale's short date) gives plain xs:string.
ValueType DatePatternType(std::string_view pattern);
