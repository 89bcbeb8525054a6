#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/DateTimeParts.h"

// Reads a date (and time) written with its parts in the order of a date
// sequence (DataTypeProperties::DateSequence). Parts are separated by any of
// "/-. " (runs count as one); a text without separators may be a compact
// 6-digit (YYMMDD in the sequence's order) or 8-digit form (the year part
// four wide). After the three date parts, the rest splits on ':' into hour,
// minute and second. Missing parts are 0 (a missing month is -1); years below
// 100 are widened (below 33 to 20xx, else 19xx). Fails for empty text, a part
// that is not a number, a negative part or a value out of range; out is then
// all zero.
bool ParseDate(std::string_view text, int32_t dateSequence, DateTimeParts& out);

// Formats a date with a pattern of letter runs: D day (DD two digits, DDD and
// more with an English ordinal), M month (MMM short, MMMM full name), W
// weekday (WW short, WWW full), Y year (YY two digits, YYY and more all), h,
// m, s hour, minute, second (doubled: two digits). Other characters are
// copied. An empty pattern gives the locale's short date. A missing month or
// day first completes the date to the last day of its year or month. Works for
// any year: no time_t range applies.
std::string FormatDate(const DateTimeParts& parts, std::string_view pattern);
// FormatDate into a caller's buffer (replacing its text), for every row of a column.
void FormatDateInto(const DateTimeParts& parts, std::string_view pattern, std::string& out);

// "YYYY-MM-DD hh:mm:ss": the form dates are compared and sorted by.
inline constexpr std::string_view kComparisonDatePattern = "YYYY-MM-DD hh:mm:ss";
// FormatDate with that pattern, into a caller's buffer; sorting and
// filtering ask for it on every row.
void FormatComparisonDate(const DateTimeParts& parts, std::string& out);
