#include "model/NumberFormat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "RegionalTestSupport.h"

namespace {

struct NumberCase {
    const char* text;
    int precision;
    bool thousands;
    bool currency;
    const char* expected;
};

// The test process runs in the C locale: en-US conventions stand in.
TEST(NumberFormatTest, FormatsWithFallbackConventions) {
    const testsupport::EnglishConventions english;
    const NumberCase cases[] = {
        {"1234567.891", 2, true, false, "1,234,567.89"},
        {"$1,234.5", 2, true, false, "1,234.50"},
        {"12 kg", 2, false, false, ""},
        {"3.14159", -1, false, false, "3.14159"},
        {"1.1234567890123", -1, false, false, "1.123456789"},
        {"-1234.5", 2, true, false, "-1,234.50"},
        {"1234.5", 2, true, true, "$1,234.50"},
        {"-1234.5", 2, true, true, "-$1,234.50"},
        {"0.5", 2, false, false, "0.50"},
        {".5", 2, false, false, "0.50"},
        {"2.5", 0, false, false, "3"},  // half away from zero
        {"-2.5", 0, false, false, "-3"},
        {"0.125", 2, false, false, "0.13"},
        {"9.995", 2, false, false, "10.00"},
        {"999.5", 0, true, false, "1,000"},
        {"-0.001", 2, false, false, "0.00"},  // no negative zero
        {"42", -1, false, false, "42"},
        {"42.", -1, false, false, "42"},
        {"abc 17", 0, false, false, "17"},  // leading text is skipped
        {"1.2.3", 2, false, false, ""},
        {"-", 2, false, false, ""},
        {"", 2, false, false, ""},
        {"123456789012345678901234567890.5", 0, true, false,
         "123,456,789,012,345,678,901,234,567,891"},
        {"12345678901234567890123456789012345678901234567890123456", 0, false, false, ""},
        {"+5", 1, false, false, "5.0"},
        {"-0.5", 0, false, false, "-1"},
        {".999", 2, false, false, "1.00"},
        {"9.9999", 3, true, false, "10.000"},
        {"999999.999", 2, true, false, "1,000,000.00"},
        {"1", 50, false, false, "1.00000000000000000000000000000000000000000000000000"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(FormatNumber(c.text, c.precision, c.thousands, c.currency), c.expected)
            << c.text << " precision " << c.precision;
    }
}

// Numbers longer than the digits fit on the stack take another buffer.
TEST(NumberFormatTest, LongNumbers) {
    const testsupport::EnglishConventions english;
    const std::string zeros(200, '0');
    EXPECT_EQ(FormatNumber(zeros + "12.5", 0, true, false), "13");
    EXPECT_EQ(FormatNumber(std::string(130, '9') + ".5", 0, false, false), "");
    EXPECT_EQ(FormatNumber("-" + zeros + "0.004", 2, false, false), "0.00");
    std::string reused = "previous value";
    FormatNumberInto("12 kg", 0, false, false, reused);
    EXPECT_EQ(reused, "");
    FormatNumberInto("1234", 1, true, false, reused);
    EXPECT_EQ(reused, "1,234.0");
}

TEST(NumberFormatTest, UsesTheLocaleConventions) {
    NumberLocale german;
    german.decimalSeparator = ",";
    german.thousandsSeparator = ".";
    german.currencySymbol = "\xE2\x82\xAC";
    german.symbolPrecedesPositive = false;
    german.symbolPrecedesNegative = false;
    german.spacePositive = 1;
    german.spaceNegative = 1;
    NumberLocale::Override(&german);
    EXPECT_EQ(FormatNumber("1.234,5", 2, true, false), "1.234,50");
    EXPECT_EQ(FormatNumber("1234,5", 2, false, true), "1234,50 \xE2\x82\xAC");
    EXPECT_EQ(FormatNumber("-3", 1, false, true), "-3,0 \xE2\x82\xAC");
    EXPECT_EQ(ParseLocaleNumber("1.234,50 \xE2\x82\xAC").value_or(-1), 1234.5);

    NumberLocale indian;
    indian.grouping = "\3\2";
    NumberLocale::Override(&indian);
    EXPECT_EQ(FormatNumber("12345678", 0, true, false), "1,23,45,678");
    NumberLocale::Override(nullptr);
}

TEST(NumberFormatTest, ReadsDisplayValuesBack) {
    const testsupport::EnglishConventions english;
    EXPECT_EQ(ParseLocaleNumber("1,234.50").value_or(-1), 1234.5);
    EXPECT_EQ(ParseLocaleNumber("$0.00").value_or(-1), 0.0);
    EXPECT_EQ(ParseLocaleNumber("(12.5)").value_or(0), -12.5);
    EXPECT_EQ(ParseLocaleNumber(" -0 ").value_or(-1), 0.0);
    EXPECT_FALSE(ParseLocaleNumber(""));
    EXPECT_FALSE(ParseLocaleNumber("abc"));
    EXPECT_FALSE(ParseLocaleNumber("0 kg"));
}

TEST(NumberFormatTest, ComparisonFormIsFixedWidth) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"42.5", 1, "0000000000042.5"},
        {"-3", 0, "-00000000000003"},
        {"9.5", 2, "000000000009.50"},
        {"10", 2, "000000000010.00"},
        {"abc", 2, "000000000000.00"},
        {"", -1, "00000000.000000"},
        {"x-7.25y", 2, "-00000000007.25"},
        {"1234567890123456", 0, "1234567890123456"},  // wider than the padding
    };
    for (const auto& [text, precision, expected] : cases) {
        EXPECT_EQ(ComparisonNumber(text, precision), expected) << text;
    }
    EXPECT_EQ(ComparisonNumberValue("-00000000007.25"), -7.25);
    EXPECT_EQ(ComparisonNumberValue("none"), 0.0);
}

TEST(NumberFormatTest, WholeNumbersPrintAsTheGeneralConversionDoes) {
    // The general form: the magnitude in fixed notation, padded to 15.
    const auto general = [](double value, int precision) {
        char buffer[512];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                          std::chars_format::fixed, precision < 0 ? 6 : precision);
        const std::string digits(buffer, result.ptr);
        const bool negative = value < 0;
        const size_t width = negative ? 14 : 15;
        return (negative ? "-" : "") +
               std::string(digits.size() < width ? width - digits.size() : 0, '0') + digits;
    };
    std::vector<std::string> texts = {
        "0",    "-0", "7", "-7", "10", "999999999999999", "-999999999999999", "1000000000000000",
        "12.0", "3.5"};
    uint64_t state = 1;
    for (int i = 0; i < 200; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const auto magnitude = static_cast<int64_t>((state >> 11) % 1000000000000000u);
        texts.push_back(std::to_string(i % 2 ? -magnitude : magnitude >> (i % 40)));
    }
    for (const std::string& text : texts) {
        for (const int precision : {-1, 0, 1, 2, 9}) {
            EXPECT_EQ(ComparisonNumber(text, precision),
                      general(ComparisonNumberValue(text), precision))
                << text << " " << precision;
        }
    }
}

}  // namespace

TEST(NumberFormatTest, DecimalReadingMatchesTheGeneralConversion) {
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "12",
                                      "12.5x",
                                      "-.5",
                                      "5.",
                                      "1.e5",
                                      "1e",
                                      "2E3",
                                      "-",
                                      "00012.0",
                                      "0.1",
                                      "0.3",
                                      "123456789012345",
                                      "1234567890123456",
                                      "0.0000000000000000000001",
                                      "0.00000000000000000000001",
                                      "9007199254740993",
                                      "abc",
                                      "1,5",
                                      "99999999999999.9"};
    uint64_t state = 3;
    for (int i = 0; i < 2000; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        std::string digits = std::to_string((state >> 8) % 1000000000000000u);
        const size_t point = (state >> 4) % (digits.size() + 8);
        if (point <= digits.size()) {
            digits.insert(digits.size() - point, ".");
        } else {
            digits = "0." + std::string(point - digits.size(), '0') + digits;
        }
        texts.push_back((i % 3 == 0 ? "-" : "") + digits + (i % 5 == 0 ? " kg" : ""));
    }
    for (const std::string& text : texts) {
        const char* end = text.data() + text.size();
        double expected = -1.0;
        double got = -1.0;
        const auto want = std::from_chars(text.data(), end, expected);
        const auto have = FromCharsDecimal(text.data(), end, got);
        ASSERT_EQ(have.ec, want.ec) << text;
        if (want.ec == std::errc()) {
            EXPECT_EQ(have.ptr, want.ptr) << text;
            EXPECT_EQ(std::signbit(got), std::signbit(expected)) << text;
            EXPECT_EQ(got, expected) << text;
        }
    }
}
