#include "xml/XmlChars.h"

#include <gtest/gtest.h>

namespace {

using namespace Norvik;

TEST(XmlCharsTest, XmlNamesFollowTheFifthEdition) {
    for (const char* name :
         {"a", "_x", "xs:element", "a-b.c", "\xC3\xA9t\xC3\xA9", "\xE4\xB8\xAD"}) {
        EXPECT_TRUE(IsXmlName(name)) << name;
    }
    for (const char* name : {"", "1a", "-a", "a b", "a[1]", "\xC3\x97", "a\x01"}) {
        EXPECT_FALSE(IsXmlName(name)) << name;
    }
}

}  // namespace
