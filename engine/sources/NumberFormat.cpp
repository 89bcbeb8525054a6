#include "NumberFormat.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <vector>

#include "dataaccess/TextUtil.h"
#include "dataaccess/VariantConvert.h"

namespace {

constexpr size_t kMaxNumberText = 55;

std::atomic<const NumberLocale*> overridden{nullptr};

NumberLocale ReadProcessLocale() {
    NumberLocale conventions;  // en-US unless the locale says otherwise
    const lconv* lc = std::localeconv();
    if (!lc) {
        return conventions;
    }
    if (lc->decimal_point && *lc->decimal_point) {
        conventions.decimalSeparator = lc->decimal_point;
    }
    if (lc->thousands_sep && *lc->thousands_sep) {
        conventions.thousandsSeparator = lc->thousands_sep;
        conventions.grouping = lc->grouping ? lc->grouping : "";
    }
    if (lc->currency_symbol && *lc->currency_symbol) {
        auto flag = [](char value, bool fallback) {
            return value == CHAR_MAX ? fallback : value != 0;
        };
        auto number = [](char value, int fallback) {
            return value == CHAR_MAX ? fallback : static_cast<int>(value);
        };
        conventions.currencySymbol = lc->currency_symbol;
        conventions.positiveSign = lc->positive_sign ? lc->positive_sign : "";
        conventions.negativeSign =
            (lc->negative_sign && *lc->negative_sign) ? lc->negative_sign : "-";
        conventions.symbolPrecedesPositive = flag(lc->p_cs_precedes, true);
        conventions.symbolPrecedesNegative = flag(lc->n_cs_precedes, true);
        conventions.spacePositive = number(lc->p_sep_by_space, 0);
        conventions.spaceNegative = number(lc->n_sep_by_space, 0);
        conventions.signPositionPositive = number(lc->p_sign_posn, 1);
        conventions.signPositionNegative = number(lc->n_sign_posn, 1);
    }
    return conventions;
}

// The first character (code point) of text, as UTF-8.
std::string_view FirstCharacter(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    size_t pos = 0;
    Norvik::NextCodePoint(text, pos);
    return text.substr(0, pos);
}

void RemoveAll(std::string& text, std::string_view what) {
    if (what.empty()) {
        return;
    }
    size_t at = 0;
    while ((at = text.find(what, at)) != std::string::npos) {
        text.erase(at, what.size());
    }
}

// Inserts separators into integer digits by a POSIX grouping string.
std::string Group(const std::string& digits, const std::string& grouping,
                  const std::string& separator) {
    if (grouping.empty() || separator.empty()) {
        return digits;
    }
    std::vector<size_t> cuts;  // positions from the right
    size_t position = 0;
    size_t index = 0;
    int size = 0;
    while (true) {
        if (index < grouping.size()) {
            size = static_cast<unsigned char>(grouping[index++]);
        }
        if (size <= 0 || size == CHAR_MAX) {
            break;
        }
        position += static_cast<size_t>(size);
        if (position >= digits.size()) {
            break;
        }
        cuts.push_back(position);
    }
    std::string result;
    result.reserve(digits.size() + cuts.size() * separator.size());
    for (size_t i = 0; i < digits.size(); ++i) {
        const size_t fromRight = digits.size() - i;
        if (i > 0 && std::find(cuts.begin(), cuts.end(), fromRight) != cuts.end()) {
            result += separator;
        }
        result += digits[i];
    }
    return result;
}

std::string Currency(const NumberLocale& c, const std::string& amount, bool negative) {
    const bool precedes = negative ? c.symbolPrecedesNegative : c.symbolPrecedesPositive;
    const int space = negative ? c.spaceNegative : c.spacePositive;
    const int position = negative ? c.signPositionNegative : c.signPositionPositive;
    const std::string& sign = negative ? c.negativeSign : c.positiveSign;
    std::string symbol = c.currencySymbol;
    if (position == 3) {
        symbol = sign + (space == 2 ? " " : "") + symbol;
    } else if (position == 4) {
        symbol = symbol + (space == 2 ? " " : "") + sign;
    }
    const std::string gap = space == 1 ? " " : "";
    std::string core = precedes ? symbol + gap + amount : amount + gap + symbol;
    switch (position) {
        case 0:
            return "(" + core + ")";
        case 2:
            return core + (space == 2 ? " " : "") + sign;
        case 3:
        case 4:
            return core;
        default:
            return sign + (space == 2 ? " " : "") + core;
    }
}

}  // namespace

const NumberLocale& NumberLocale::Current() {
    if (const NumberLocale* replaced = overridden.load()) {
        return *replaced;
    }
    static const NumberLocale process = ReadProcessLocale();
    return process;
}

void NumberLocale::Override(const NumberLocale* conventions) {
    overridden.store(conventions);
}

std::string FormatNumber(std::string_view text, int precision, bool thousands, bool currency) {
    const NumberLocale& locale = NumberLocale::Current();
    const size_t start = text.find_first_of("+-.0123456789");
    if (start == std::string_view::npos) {
        return {};
    }
    std::string s(text.substr(start));
    RemoveAll(s, FirstCharacter(locale.thousandsSeparator));
    RemoveAll(s, FirstCharacter(locale.currencySymbol));
    if (locale.decimalSeparator != ".") {
        const size_t at = s.rfind(locale.decimalSeparator);
        if (at != std::string::npos) {
            s.replace(at, locale.decimalSeparator.size(), ".");
        }
    }

    size_t decimals = 0;
    if (precision < 0) {
        const size_t dot = s.find('.');
        decimals = dot == std::string::npos ? 0 : std::min<size_t>(9, s.size() - dot - 1);
    } else {
        decimals = static_cast<size_t>(std::min(precision, 50));
    }

    // A plain number: optional sign, digits, optional point and digits.
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::string whole;
    std::string fraction;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        whole += s[i++];
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            fraction += s[i++];
        }
    }
    if (i != s.size() || (whole.empty() && fraction.empty())) {
        return {};
    }

    // Round half away from zero on the digits.
    const bool roundUp = fraction.size() > decimals && fraction[decimals] >= '5';
    fraction.resize(decimals, '0');
    std::string digits = whole + fraction;
    if (roundUp) {
        size_t k = digits.size();
        while (k > 0) {
            --k;
            if (digits[k] == '9') {
                digits[k] = '0';
            } else {
                ++digits[k];
                break;
            }
            if (k == 0) {
                digits.insert(digits.begin(), '1');
                break;
            }
        }
        if (digits.empty()) {
            digits = "1";
        }
    }
    whole = digits.substr(0, digits.size() - decimals);
    fraction = digits.substr(digits.size() - decimals);
    const size_t firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? "" : whole.substr(firstNonZero);
    if (whole.empty() && (locale.leadingZero || decimals == 0)) {
        whole = "0";
    }
    if (digits.find_first_not_of('0') == std::string::npos) {
        negative = false;  // no "-0.00"
    }

    std::string amount =
        thousands ? Group(whole, locale.grouping, locale.thousandsSeparator) : whole;
    if (decimals > 0) {
        amount += locale.decimalSeparator;
        amount += fraction;
    }
    std::string result =
        currency ? Currency(locale, amount, negative) : (negative ? "-" + amount : amount);
    size_t characters = 0;
    for (size_t pos = 0; pos < result.size(); ++characters) {
        Norvik::NextCodePoint(result, pos);
    }
    if (characters > kMaxNumberText) {
        return {};
    }
    return result;
}

std::optional<double> ParseLocaleNumber(std::string_view text) {
    const NumberLocale& locale = NumberLocale::Current();
    std::string s = Norvik::Trim(text);
    bool negative = false;
    if (s.size() >= 2 && s.front() == '(' && s.back() == ')') {
        negative = true;
        s = Norvik::Trim(std::string_view(s).substr(1, s.size() - 2));
    }
    RemoveAll(s, locale.currencySymbol);
    RemoveAll(s, locale.thousandsSeparator);
    if (locale.decimalSeparator != ".") {
        const size_t at = s.find(locale.decimalSeparator);
        if (at != std::string::npos) {
            s.replace(at, locale.decimalSeparator.size(), ".");
        }
    }
    s = Norvik::Trim(s);
    if (!s.empty() && s.back() == '-' && s.front() != '-') {
        negative = !negative;  // trailing minus, as some locales write it
        s.pop_back();
    }
    const std::optional<double> value = Norvik::ParseVariantNumber(s);
    if (!value) {
        return std::nullopt;
    }
    return negative ? -*value : *value;
}

double ComparisonNumberValue(std::string_view text) {
    double value = 0.0;
    const size_t start = text.find_first_of("-0123456789");
    if (start == std::string_view::npos) {
        return 0.0;
    }
    const auto result = std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        return text[start] == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return result.ec == std::errc() ? value : 0.0;
}

std::string ComparisonNumber(std::string_view text, int precision) {
    const double value = ComparisonNumberValue(text);
    const int decimals = precision < 0 ? 6 : std::min(precision, 60);
    std::array<char, 512> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      std::fabs(value), std::chars_format::fixed, decimals);
    std::string digits =
        result.ec == std::errc() ? std::string(buffer.data(), result.ptr) : std::string("0");
    const bool negative = std::signbit(value) && value != 0.0;
    const size_t width = 15 - (negative ? 1 : 0);
    std::string out = negative ? "-" : "";
    if (digits.size() < width) {
        out.append(width - digits.size(), '0');
    }
    out += digits;
    return out;
}
