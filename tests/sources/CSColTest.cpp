#include "sources/CSCol.h"

#include <gtest/gtest.h>

#include "sources/ColumnIdCounter.h"

namespace {

TEST(CSColTest, NewColumnsTakeIncreasingIdentifiers) {
    CSCol a;
    CSCol b("b");
    EXPECT_GT(a.id, 0);
    EXPECT_EQ(b.id, a.id + 1);
    EXPECT_EQ(ColumnIdCounter::Peek(), b.id + 1);
    EXPECT_EQ(CSCol::WithId(0).id, 0);
    EXPECT_EQ(ColumnIdCounter::Peek(), b.id + 1);  // WithId takes no identifier
}

TEST(CSColTest, CounterFollowsIdentifiersReadFromFiles) {
    const int32_t next = ColumnIdCounter::Peek();
    ColumnIdCounter::Observe(next - 1);  // already below: no change
    EXPECT_EQ(ColumnIdCounter::Peek(), next);
    ColumnIdCounter::Observe(next + 56);
    EXPECT_EQ(ColumnIdCounter::Peek(), next + 57);
    EXPECT_EQ(CSCol().id, next + 57);
}

TEST(CSColTest, ResetKeepsTheIdentifierOnly) {
    CSCol column("Price");
    const int32_t id = column.id;
    column.width = 12;
    column.skipIfZero = true;
    column.ignoreCase = false;
    column.dataType = DataTypeProperties::kNumber;
    column.precision = 2;
    column.AddLookupEntry("a = b");
    column.lastValue = "x";
    column.lookupMatched = false;
    column.Reset();
    CSCol expected = CSCol::WithId(id);
    EXPECT_EQ(column, expected);
    EXPECT_EQ(column.width, 4);
    EXPECT_TRUE(column.ignoreCase);
    EXPECT_EQ(column.precision, -1);
}

TEST(CSColTest, NamesCompareWithoutCase) {
    CSCol column(
        "Stra\xC3\x9F"
        "e \xC3\x84");
    EXPECT_TRUE(
        column.IsNamed("STRA\xC3\x9F"
                       "E \xC3\xA4"));
    EXPECT_FALSE(column.IsNamed(""));
    EXPECT_TRUE(CSCol("").IsNamed(""));
    EXPECT_FALSE(CSCol("").IsNamed("a"));
}

struct LookupCase {
    const char* line;
    bool ignoreCase;
    const char* key;  // nullptr: nothing stored
    const char* value;
};

TEST(CSColTest, LookupEntriesParseLikeTheEditorShowsThem) {
    const LookupCase cases[] = {
        {"a = b", true, "a", "b"},
        {"x", true, "x", "x"},
        {"=y", true, "=y", "=y"},
        {"  A = B  ", true, "a", "B"},
        {"A = B", false, "A", "B"},
        {"NY", true, "NY", "NY"},  // no '=': the line maps to itself as written
        {"k=v=w", true, "k", "v=w"},
        {" = v", true, nullptr, nullptr},  // empty key
        {"", true, nullptr, nullptr},
        {"\xC3\x84 = \xC3\xA4", true, "\xC3\xA4", "\xC3\xA4"},
    };
    for (const LookupCase& c : cases) {
        CSCol column;
        column.ignoreCase = c.ignoreCase;
        column.AddLookupEntry(c.line);
        if (!c.key) {
            EXPECT_TRUE(column.lookupTable.empty()) << c.line;
            continue;
        }
        ASSERT_EQ(column.lookupTable.size(), 1u) << c.line;
        EXPECT_EQ(column.lookupTable.begin()->first, c.key) << c.line;
        EXPECT_EQ(column.lookupTable.begin()->second, c.value) << c.line;
    }
}

TEST(CSColTest, LaterEntriesReplaceEarlierOnesAndTextRoundTrips) {
    CSCol column;
    column.AddLookupEntry("ny = New York");
    column.AddLookupEntry("NY = New York City");
    column.AddLookupEntry("la");
    ASSERT_EQ(column.lookupTable.size(), 2u);
    EXPECT_EQ(column.lookupTable.at("ny"), "New York City");
    EXPECT_EQ(CSCol::LookupEntryText("ny", "New York City"), "ny = New York City");
    EXPECT_EQ(CSCol::LookupEntryText("la", "la"), "la");
}

TEST(CSColTest, SetLastValueReportsChange) {
    CSCol column;
    EXPECT_FALSE(column.SetLastValue(""));
    EXPECT_TRUE(column.SetLastValue("A"));
    EXPECT_FALSE(column.SetLastValue("A"));
    EXPECT_TRUE(column.SetLastValue("a"));
    EXPECT_EQ(column.GetLastValue(), "a");
}

}  // namespace
