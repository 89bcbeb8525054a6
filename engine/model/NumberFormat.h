#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

// Number and currency conventions of a locale. Where the locale defines no
// thousands separator or no currency symbol (the C and C.UTF-8 locales),
// en-US conventions stand in: ',' in groups of three, '$' before the amount,
// '-' before negative amounts.
struct NumberLocale {
    std::string decimalSeparator = ".";
    std::string thousandsSeparator = ",";
    std::string grouping = "\3";  // POSIX form: group sizes, the last repeats
    bool leadingZero = true;
    std::string currencySymbol = "$";
    std::string positiveSign;
    std::string negativeSign = "-";
    bool symbolPrecedesPositive = true;
    bool symbolPrecedesNegative = true;
    int spacePositive = 0;  // POSIX sep_by_space: 0 none, 1 symbol-value, 2 sign-symbol
    int spaceNegative = 0;
    int signPositionPositive = 1;  // POSIX sign_posn: 0 parentheses, 1 before, 2 after,
    int signPositionNegative = 1;  // 3 just before the symbol, 4 just after it

    // The conventions every formatting call uses: those of the current
    // regional settings (RegionalSettings::Current).
    static const NumberLocale& Current();
    // Replaces the process conventions (tests); nullptr restores them.
    static void Override(const NumberLocale* conventions);
};

// Formats number text with the locale's conventions. Characters before the
// first sign, point or digit are skipped; thousands separators and currency
// symbols are removed; the locale's decimal separator is read as the point.
// precision -1 keeps the input's decimals (at most 9). Rounds half away from
// zero on the decimal digits themselves, so any length of number is exact.
// Text that is not a plain number after that ("12 kg"), or a result longer than
// 55 characters, gives an empty text.
std::string FormatNumber(std::string_view text, int precision, bool thousands, bool currency);
// The same into a caller's buffer (keeps its capacity across values).
void FormatNumberInto(std::string_view text, int precision, bool thousands, bool currency,
                      std::string& out);

// Reads a display value as a number the way the locale writes numbers
// (separators, currency symbol, parentheses for negatives); nothing when the
// text is not a number.
std::optional<double> ParseLocaleNumber(std::string_view text);

// The leading number of text from its first '-' or digit (0 when there is
// none), printed zero-padded to 15 characters with precision decimals (6 for
// -1), always with '.': the fixed-width form numbers are compared by.
std::string ComparisonNumber(std::string_view text, int precision);
// ComparisonNumber into a caller's buffer (replacing its text).
void ComparisonNumberInto(std::string_view text, int precision, std::string& out);
// The number ComparisonNumber's text reads back as (rounded to precision).
double ComparisonRoundedValue(std::string_view text, int precision);

// std::from_chars for a double, quicker for short plain decimals.
std::from_chars_result FromCharsDecimal(const char* first, const char* last, double& value);

// The value of a comparison form (or any text) read from its first '-' or
// digit, always with '.' as the point; 0 when there is no number.
double ComparisonNumberValue(std::string_view text);
