#include "sort/SortKey.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "base/TextUtil.h"

namespace {

std::string TextKey(std::string_view text, bool descending = false) {
    std::string key;
    SortKey::AppendText(key, text, descending);
    return key;
}

std::string NumberKey(double value, bool descending = false) {
    std::string key;
    SortKey::AppendNumber(key, value, descending);
    return key;
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

}  // namespace

TEST(SortKeyTest, TextKeysOrderAsUtf16Comparison) {
    const std::vector<std::string> texts = {
        "",
        "a",
        "ab",
        "abc",
        "b",
        std::string("a\0b", 3),  // a zero byte is still text
        std::string("a\0", 2),
        "\xC3\xA9",          // U+00E9
        "\xED\x9F\xBF",      // U+D7FF
        "\xEE\x80\x80",      // U+E000: after the supplementary planes in UTF-16
        "\xEF\xBF\xBD",      // U+FFFD
        "\xF0\x90\x80\x80",  // U+10000
        "\xF4\x8F\xBF\xBF",  // U+10FFFF
        "\xF0\x90\x80\x80z",
    };
    const Norvik::Utf16OrderLess less;
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            const int expected = less(a, b) ? -1 : (less(b, a) ? 1 : 0);
            EXPECT_EQ(Sign(TextKey(a).compare(TextKey(b))), expected) << a << " vs " << b;
            EXPECT_EQ(Sign(TextKey(a, true).compare(TextKey(b, true))), -expected)
                << a << " vs " << b << " descending";
        }
    }
}

TEST(SortKeyTest, PartsCompareOneAfterTheOther) {
    // "ab"+"c" against "a"+"bz": the first part decides, whatever follows.
    auto key = [](std::string_view first, std::string_view second, bool secondDescending) {
        std::string k;
        SortKey::AppendText(k, first, false);
        SortKey::AppendText(k, second, secondDescending);
        return k;
    };
    EXPECT_GT(key("ab", "c", false), key("a", "bz", false));
    EXPECT_LT(key("a", "z", false), key("ab", "", false));
    EXPECT_LT(key("a", "b", true), key("a", "a", true));
    EXPECT_LT(key("a", "ab", true), key("a", "a", true));
    std::string numberFirst;
    SortKey::AppendNumber(numberFirst, -1.0, false);
    SortKey::AppendText(numberFirst, "zzz", false);
    std::string numberSecond;
    SortKey::AppendNumber(numberSecond, 2.0, false);
    SortKey::AppendText(numberSecond, "", false);
    EXPECT_LT(numberFirst, numberSecond);
}

TEST(SortKeyTest, NumberKeysOrderByValue) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> ascending = {-inf,   -1e300, -2.5, -1.0, -1e-300, 0.0,
                                           1e-300, 0.5,    1.0,  9.5,  1e300,   inf};
    for (size_t i = 0; i + 1 < ascending.size(); ++i) {
        EXPECT_LT(NumberKey(ascending[i]), NumberKey(ascending[i + 1])) << ascending[i];
        EXPECT_GT(NumberKey(ascending[i], true), NumberKey(ascending[i + 1], true));
    }
    EXPECT_EQ(NumberKey(-0.0), NumberKey(0.0));
    EXPECT_EQ(NumberKey(std::nan("")), NumberKey(0.0));
}

TEST(SortKeyTest, TheFirstTextPartEndsAtItsMarker) {
    const std::vector<std::string> texts = {
        "",         "paris", std::string("a\0b", 3), std::string("\0", 1), std::string("\0\0", 2),
        "\xFF\xFE", "x\xFF", "\xEF\xBF\xBD"};
    for (const bool descending : {false, true}) {
        for (const std::string& text : texts) {
            const std::string first = TextKey(text, descending);
            // Whatever follows, the first part is found whole and alone.
            for (const std::string& rest :
                 {std::string(), TextKey("z", descending), NumberKey(-1, descending)}) {
                EXPECT_EQ(SortKey::TextPartLength(first + rest, descending), first.size())
                    << text << (descending ? " descending" : "");
            }
        }
    }
}
