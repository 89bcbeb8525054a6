#include "VariantConvert.h"

#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "PlatformError.h"
#include "TextUtil.h"

namespace Norvik {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int DigitValue(char c, int base) {
    int value = -1;
    if (IsDigit(c)) {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

// "&H1F" / "&O17": the 32-bit pattern, as automation has always read it.
std::optional<double> ParsePrefixed(std::string_view digits, int base) {
    if (digits.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (char c : digits) {
        const int d = DigitValue(c, base);
        if (d < 0) {
            return std::nullopt;
        }
        value = value * base + d;
        if (value > 0xFFFFFFFFull) {
            return std::numeric_limits<double>::infinity();
        }
    }
    return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

}  // namespace

std::optional<double> ParseVariantNumber(std::string_view text) {
    const std::string_view s = TrimView(text);
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') {
            return ParsePrefixed(s.substr(2), 16);
        }
        if (s[1] == 'O' || s[1] == 'o') {
            return ParsePrefixed(s.substr(2), 8);
        }
    }
    // Rebuild the number without thousands commas, then let strtod do the
    // exact decimal conversion, in the C locale whatever the process's is.
    std::string clean;
    clean.reserve(s.size());
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        clean += s[i++];
    }
    bool digits = false;
    while (i < s.size() && (IsDigit(s[i]) || (s[i] == ',' && digits))) {
        if (s[i] != ',') {
            clean += s[i];
            digits = true;
        }
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        clean += s[i++];
        while (i < s.size() && IsDigit(s[i])) {
            clean += s[i++];
            digits = true;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            exponent += s[j++];
        }
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) {
                exponent += s[j++];
            }
            clean += exponent;
            i = j;
        }
    }
    if (i != s.size()) {
        return std::nullopt;
    }
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(clean.c_str(), nullptr, c);
}

double VariantToDouble(std::string_view text) {
    const std::optional<double> value = ParseVariantNumber(text);
    if (!value) {
        throw PlatformError(kDispTypeMismatch,
                            "Type mismatch: \"" + std::string(text) + "\" is not a number");
    }
    if (!std::isfinite(*value)) {
        throw PlatformError(kDispOverflow, "Overflow: \"" + std::string(text) + "\"");
    }
    return *value;
}

int32_t VariantToInt32(std::string_view text) {
    const double value = VariantToDouble(text);
    // Ties go to the even neighbour, as automation rounds.
    const double rounded = std::nearbyint(value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0) {
        throw PlatformError(
            kDispOverflow, "Overflow: \"" + std::string(text) + "\" does not fit a 32-bit integer");
    }
    return static_cast<int32_t>(rounded);
}

bool VariantToBool(std::string_view text) {
    const std::string_view s = TrimView(text);
    if (EqualsIgnoreCase(s, "true")) {
        return true;
    }
    if (EqualsIgnoreCase(s, "false")) {
        return false;
    }
    return VariantToDouble(text) != 0.0;
}

}  // namespace Norvik
