#include "base/VariantConvert.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/PlatformError.h"

using namespace Norvik;

namespace {

struct IntCase {
    const char* text;
    int32_t expected;
};

TEST(VariantConvertTest, IntegersReadLikeAutomation) {
    const IntCase cases[] = {
        {"0", 0},
        {"  42 ", 42},
        {"-7", -7},
        {"+5", 5},
        {"1,000", 1000},
        {"2.5", 2},  // ties go to the even neighbour
        {"3.5", 4},
        {"-2.5", -2},
        {"2.51", 3},
        {"1e3", 1000},
        {"&HFF", 255},
        {"&hffffffff", -1},
        {"&O17", 15},
        {"2147483647", std::numeric_limits<int32_t>::max()},
        {"-2147483648", std::numeric_limits<int32_t>::min()},
    };
    for (const IntCase& c : cases) {
        EXPECT_EQ(VariantToInt32(c.text), c.expected) << c.text;
    }
}

TEST(VariantConvertTest, BadIntegersRaiseTheirCode) {
    for (const char* text : {"", "   ", "abc", "12abc", "1.2.3", "--1", ",", "&H", "&HXYZ", "1e"}) {
        try {
            VariantToInt32(text);
            ADD_FAILURE() << "no failure for \"" << text << "\"";
        } catch (const PlatformError& error) {
            EXPECT_EQ(error.Code(), kDispTypeMismatch) << text;
        }
    }
    for (const char* text : {"2147483648", "-2147483649", "&H100000000", "1e400"}) {
        try {
            VariantToInt32(text);
            ADD_FAILURE() << "no failure for \"" << text << "\"";
        } catch (const PlatformError& error) {
            EXPECT_EQ(error.Code(), kDispOverflow) << text;
        }
    }
}

TEST(VariantConvertTest, BooleansReadNumbersAndWords) {
    const std::pair<const char*, bool> cases[] = {
        {"-1", true},   {"1", true},    {"2", true},      {"0", false},     {"0.0", false},
        {"True", true}, {"TRUE", true}, {" true ", true}, {"false", false}, {"FaLsE", false},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(VariantToBool(text), expected) << text;
    }
    for (const char* text : {"", "yes", "abc", "truely"}) {
        EXPECT_THROW(VariantToBool(text), PlatformError) << text;
    }
    EXPECT_STREQ(VariantFromBool(true), "-1");
    EXPECT_STREQ(VariantFromBool(false), "0");
}

TEST(VariantConvertTest, FormatHResultNamesKnownAndUnknownCodes) {
    EXPECT_EQ(FormatHResult("Loading", kDispTypeMismatch), "Loading\r\nType mismatch.");
    EXPECT_EQ(FormatHResult("Loading", 0x12345), "Loading\r\nUnknown Error 74565");
    EXPECT_NE(SystemMessage(CodeFromErrno(2)), "");
}

}  // namespace
