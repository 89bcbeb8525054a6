#include "NumberFormat.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "RegionalSettings.h"
#include "base/TextUtil.h"
#include "base/VariantConvert.h"

namespace {

constexpr size_t kMaxNumberText = 55;

std::atomic<const NumberLocale*> overridden{nullptr};

// The first character (code point) of text, as UTF-8.
std::string_view FirstCharacter(std::string_view text) {
    if (text.empty() || static_cast<unsigned char>(text[0]) < 0x80) {
        return text.substr(0, text.empty() ? 0 : 1);
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

// Where text is built: a string, or a buffer known to hold the result.
struct StringOut {
    std::string& text;
    void Append(std::string_view bytes) { text.append(bytes); }
    void Append(char c) { text += c; }
};
struct BufferOut {
    char* at;
    void Append(std::string_view bytes) {
        std::memcpy(at, bytes.data(), bytes.size());
        at += bytes.size();
    }
    void Append(char c) { *at++ = c; }
};

// Appends integer digits with separators inserted by a POSIX grouping string.
template <typename Out>
void AppendGrouped(Out& out, std::string_view digits, const std::string& grouping,
                   const std::string& separator) {
    if (grouping.empty() || separator.empty()) {
        out.Append(digits);
        return;
    }
    // Positions from the right, increasing; more cuts than this make a
    // number far longer than any that is written.
    std::array<size_t, 64> cuts;
    size_t count = 0;
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
        if (position >= digits.size() || count == cuts.size()) {
            break;
        }
        cuts[count++] = position;
    }
    // Runs of digits between the cuts, each appended whole.
    size_t next = count;  // the next cut from the left is cuts[next - 1]
    size_t at = 0;
    while (next > 0) {
        const size_t cut = digits.size() - cuts[--next];
        out.Append(digits.substr(at, cut - at));
        out.Append(separator);
        at = cut;
    }
    out.Append(digits.substr(at));
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
    return RegionalSettings::Current().Numbers();
}

void NumberLocale::Override(const NumberLocale* conventions) {
    overridden.store(conventions);
}

std::string FormatNumber(std::string_view text, int precision, bool thousands, bool currency) {
    std::string out;
    FormatNumberInto(text, precision, thousands, currency, out);
    return out;
}

namespace {

// The number text without the locale's separators and symbol and with a '.'
// for its decimal separator; cleaned holds it when any of them was there.
inline std::string_view WithoutLocaleMarks(std::string_view s, const NumberLocale& locale,
                                           std::string& cleaned) {
    const std::string_view separator = FirstCharacter(locale.thousandsSeparator);
    const std::string_view symbol = FirstCharacter(locale.currencySymbol);
    const auto contains = [&](std::string_view what) {
        return !what.empty() && s.find(what) != std::string_view::npos;
    };
    if (!contains(separator) && !contains(symbol) && locale.decimalSeparator == ".") {
        return s;
    }
    cleaned.assign(s);
    RemoveAll(cleaned, separator);
    RemoveAll(cleaned, symbol);
    if (locale.decimalSeparator != ".") {
        const size_t at = cleaned.rfind(locale.decimalSeparator);
        if (at != std::string::npos) {
            cleaned.replace(at, locale.decimalSeparator.size(), ".");
        }
    }
    return cleaned;
}

struct PlainNumber {
    bool negative = false;
    bool point = false;
    std::string_view whole;
    std::string_view fraction;
};

// A plain number: optional sign, digits, optional point and digits.
inline bool ReadPlainNumber(std::string_view s, PlainNumber& number) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        number.negative = s[i] == '-';
        ++i;
    }
    const size_t wholeBegin = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        ++i;
    }
    number.whole = std::string_view(s.data() + wholeBegin, i - wholeBegin);
    size_t fractionBegin = i;
    if (i < s.size() && s[i] == '.') {
        number.point = true;
        fractionBegin = ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            ++i;
        }
    }
    number.fraction = std::string_view(s.data() + fractionBegin, i - fractionBegin);
    return i == s.size() && !(number.whole.empty() && number.fraction.empty());
}

// All digits of the number rounded half away from zero to decimals places.
// Numbers of ordinary length need no allocation: this runs for every value
// of a column.
inline std::string_view RoundedDigits(const PlainNumber& number, size_t decimals,
                                      std::array<char, 128>& small, std::string& large) {
    const std::string_view fraction = number.fraction;
    const bool roundUp = fraction.size() > decimals && fraction[decimals] >= '5';
    const size_t length = number.whole.size() + decimals;
    char* digits = small.data();
    if (length + 1 > small.size()) {
        large.resize(length + 1);
        digits = large.data();
    }
    char* end = digits + 1;  // room for a carry out of the first digit
    end = std::copy_n(number.whole.data(), number.whole.size(), end);
    end = std::copy_n(fraction.data(), std::min(fraction.size(), decimals), end);
    if (fraction.size() < decimals) {
        end = std::fill_n(end, decimals - fraction.size(), '0');
    }
    char* first = digits + 1;
    if (roundUp) {
        char* k = end;
        while (k > first && k[-1] == '9') {
            *--k = '0';
        }
        if (k > first) {
            ++k[-1];
        } else {
            *--first = '1';
        }
    }
    return std::string_view(first, static_cast<size_t>(end - first));
}

// The rounded digits with the locale's sign, groups and decimal separator.
template <typename Out>
void ComposeRounded(Out& out, std::string_view whole, std::string_view fraction, bool negative,
                    bool thousands, const NumberLocale& locale) {
    if (negative) {
        out.Append('-');
    }
    if (thousands) {
        AppendGrouped(out, whole, locale.grouping, locale.thousandsSeparator);
    } else {
        out.Append(whole);
    }
    if (!fraction.empty()) {
        out.Append(locale.decimalSeparator);
        out.Append(fraction);
    }
}

inline void AppendRounded(std::string& out, std::string_view all, size_t decimals, bool negative,
                          bool thousands, bool currency, const NumberLocale& locale) {
    const size_t wholeLength = all.size() - decimals;
    size_t firstNonZero = 0;
    while (firstNonZero < wholeLength && all[firstNonZero] == '0') {
        ++firstNonZero;
    }
    std::string_view whole = all.substr(firstNonZero, wholeLength - firstNonZero);
    if (whole.empty() && (locale.leadingZero || decimals == 0)) {
        whole = "0";
    }
    if (all.find_first_not_of('0') == std::string_view::npos) {
        negative = false;  // no "-0.00"
    }
    const std::string_view fraction = all.substr(wholeLength);
    // An ordinary number is built on the stack and stored once.
    std::array<char, 192> buffer;
    const size_t bound = 1 + whole.size() * (1 + locale.thousandsSeparator.size()) +
                         locale.decimalSeparator.size() + fraction.size();
    if (!currency && bound <= buffer.size()) {
        BufferOut composed{buffer.data()};
        ComposeRounded(composed, whole, fraction, negative, thousands, locale);
        out.append(buffer.data(),
                   static_cast<size_t>(composed.at - buffer.data()));  // out is empty
        return;
    }
    StringOut composed{out};
    ComposeRounded(composed, whole, fraction, negative && !currency, thousands, locale);
    if (currency) {
        out = Currency(locale, out, negative);
    }
}

// No result over kMaxNumberText characters; they are counted only when the
// bytes alone are too many.
inline void DropIfTooLong(std::string& out) {
    size_t characters = out.size();
    if (characters > kMaxNumberText) {
        characters = 0;
        for (size_t pos = 0; pos < out.size(); ++characters) {
            Norvik::NextCodePoint(out, pos);
        }
    }
    if (characters > kMaxNumberText) {
        out.clear();
    }
}

}  // namespace

void FormatNumberInto(std::string_view text, int precision, bool thousands, bool currency,
                      std::string& out) {
    out.clear();
    const NumberLocale& locale = NumberLocale::Current();
    // Where the number starts: a digit, a sign or a point (usually at once).
    size_t start = 0;
    while (start < text.size() && !(text[start] >= '0' && text[start] <= '9') &&
           text[start] != '+' && text[start] != '-' && text[start] != '.') {
        ++start;
    }
    if (start == text.size()) {
        return;
    }
    std::string cleaned;  // only when separators or symbols must go
    PlainNumber number;
    if (!ReadPlainNumber(WithoutLocaleMarks(text.substr(start), locale, cleaned), number)) {
        return;
    }
    const size_t decimals = precision < 0
                                ? (number.point ? std::min<size_t>(9, number.fraction.size()) : 0)
                                : static_cast<size_t>(std::min(precision, 50));
    std::array<char, 128> small;
    std::string large;
    const std::string_view all = RoundedDigits(number, decimals, small, large);
    AppendRounded(out, all, decimals, number.negative, thousands, currency, locale);
    DropIfTooLong(out);
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

std::from_chars_result FromCharsDecimal(const char* first, const char* last, double& value) {
    // Short plain decimals, the usual case, need no general conversion: a
    // mantissa below 10^15 divided by a power of ten up to 10^22 (both exact
    // doubles) is rounded once, exactly as the general conversion rounds.
    const char* p = first;
    const bool negative = p < last && *p == '-';
    if (negative) {
        ++p;
    }
    uint64_t mantissa = 0;
    int significant = 0;
    int decimals = 0;
    bool digits = false;
    for (; p < last && *p >= '0' && *p <= '9'; ++p) {
        digits = true;
        if (mantissa != 0 || *p != '0') {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
            ++significant;
        }
    }
    if (p < last && *p == '.') {
        ++p;
        for (; p < last && *p >= '0' && *p <= '9'; ++p) {
            digits = true;
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
            significant += mantissa != 0 ? 1 : 0;
            ++decimals;
        }
    }
    const bool exponent = p < last && (*p == 'e' || *p == 'E');
    if (!digits || exponent || significant > 15 || decimals > 22) {
        return std::from_chars(first, last, value);
    }
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double magnitude = static_cast<double>(mantissa) / kPowers[decimals];
    value = negative ? -magnitude : magnitude;
    return {p, std::errc()};
}

double ComparisonNumberValue(std::string_view text) {
    double value = 0.0;
    const size_t start = text.find_first_of("-0123456789");
    if (start == std::string_view::npos) {
        return 0.0;
    }
    const auto result = FromCharsDecimal(text.data() + start, text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        return text[start] == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return result.ec == std::errc() ? value : 0.0;
}

namespace {

// The comparison form of a value already read.
void ComparisonFormOf(double value, int precision, std::string& out);

}  // namespace

double ComparisonRoundedValue(std::string_view text, int precision) {
    const double value = ComparisonNumberValue(text);
    if (std::fabs(value) < 1e15 && value == std::floor(value)) {
        return value;  // whole numbers print and read back unchanged
    }
    std::string form;
    ComparisonFormOf(value, precision, form);
    double read = 0.0;
    const auto result = FromCharsDecimal(form.data(), form.data() + form.size(), read);
    return result.ec == std::errc() ? read : 0.0;
}

std::string ComparisonNumber(std::string_view text, int precision) {
    std::string out;
    ComparisonNumberInto(text, precision, out);
    return out;
}

void ComparisonNumberInto(std::string_view text, int precision, std::string& out) {
    ComparisonFormOf(ComparisonNumberValue(text), precision, out);
}

namespace {

void ComparisonFormOf(double value, int precision, std::string& out) {
    const int decimals = precision < 0 ? 6 : std::min(precision, 60);
    std::array<char, 512> buffer;
    const double magnitude = std::fabs(value);
    const char* digitsEnd = nullptr;
    if (magnitude < 1e15 && magnitude == std::floor(magnitude)) {
        // Whole numbers (the usual filter operand) print without the
        // general conversion: the digits, then zero decimals.
        auto whole = static_cast<uint64_t>(magnitude);
        char* p = buffer.data() + 32;
        char* const wholeEnd = p;
        do {
            *--p = static_cast<char>('0' + whole % 10);
            whole /= 10;
        } while (whole != 0);
        const size_t wholeDigits = static_cast<size_t>(wholeEnd - p);
        std::memmove(buffer.data(), p, wholeDigits);
        char* end = buffer.data() + wholeDigits;
        if (decimals > 0) {
            *end++ = '.';
            end = std::fill_n(end, decimals, '0');
        }
        digitsEnd = end;
    } else {
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                          std::chars_format::fixed, decimals);
        if (result.ec == std::errc()) {
            digitsEnd = result.ptr;
        } else {
            buffer[0] = '0';
            digitsEnd = buffer.data() + 1;
        }
    }
    const auto digits = static_cast<size_t>(digitsEnd - buffer.data());
    const bool negative = std::signbit(value) && value != 0.0;
    const size_t width = 15 - (negative ? 1 : 0);
    out.clear();
    if (negative) {
        out += '-';
    }
    if (digits < width) {
        out.append(width - digits, '0');
    }
    out.append(buffer.data(), digits);
}

}  // namespace
