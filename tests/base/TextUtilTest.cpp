#include "base/TextUtil.h"

#include <gtest/gtest.h>

#include <map>

using namespace Norvik;

namespace {

TEST(TextUtilTest, CaseMappingIsUnicodeAware) {
    EXPECT_EQ(ToLower("\xC3\x84RGER Stra\xC3\x9F"
                      "e"),
              "\xC3\xA4rger stra\xC3\x9F"
              "e");
    EXPECT_EQ(ToUpper("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89");
    EXPECT_TRUE(EqualsIgnoreCase("\xC3\x84rger", "\xC3\xA4RGER"));
    EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
    EXPECT_TRUE(EqualsIgnoreCase("", ""));
    EXPECT_FALSE(EqualsIgnoreCase("", "a"));
    // Malformed bytes pass through unchanged.
    EXPECT_EQ(ToLower("A\xFF"
                      "B"),
              "a\xFF"
              "b");
}

TEST(TextUtilTest, DecoderRejectsIllFormedSequences) {
    const char* bad[] = {"\xC0\x80",         "\xED\xA0\x80", "\xE2\x82",
                         "\xF5\x80\x80\x80", "\x80",         "\xF0\x82\x82\xAC"};
    for (const char* text : bad) {
        EXPECT_FALSE(IsValidUtf8(text)) << "bytes of length " << std::string(text).size();
    }
    EXPECT_TRUE(IsValidUtf8("plain \xE2\x82\xAC \xF0\x9F\x98\x80"));
    std::string out;
    AppendUtf8(out, 0x1F600);
    AppendUtf8(out, 0xE9);
    EXPECT_EQ(out, "\xF0\x9F\x98\x80\xC3\xA9");
}

TEST(TextUtilTest, TrimTakesAsciiWhiteSpaceOnly) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x");
}

TEST(TextUtilTest, Utf16OrderPutsSupplementaryCharactersBeforePrivateUse) {
    std::map<std::string, int, Utf16OrderLess> table;
    table["\xEE\x80\x80"] = 1;      // U+E000
    table["\xF0\x9F\x98\x80"] = 2;  // U+1F600
    table["z"] = 3;
    table["\xED\x9F\xBF"] = 4;  // U+D7FF
    std::vector<int> order;
    for (const auto& entry : table) {
        order.push_back(entry.second);
    }
    EXPECT_EQ(order, (std::vector<int>{3, 4, 2, 1}));
}

}  // namespace
