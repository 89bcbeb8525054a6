#include "model/CSCol.h"

#include <gtest/gtest.h>

#include "RegionalTestSupport.h"
#include "model/ColumnIdCounter.h"

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

TEST(CSColTest, DisplayAndComparisonForms) {
    const testsupport::EnglishConventions english;
    CSCol number;
    number.dataType = DataTypeProperties::kNumber;
    number.precision = 1;
    EXPECT_EQ(number.FormatValue("42.45", false), "42.5");
    EXPECT_EQ(number.FormatValue("42.5", true), "0000000000042.5");
    EXPECT_EQ(number.FormatValue("12 kg", false), "");
    number.defaultValue = "0.0";
    EXPECT_EQ(number.FormatValue("12 kg", false), "0.0");  // unformattable takes the default

    CSCol date;
    date.dataType = DataTypeProperties::kDateTime;
    date.dateSequence = DataTypeProperties::kDMY;
    date.format = "YYYY/MM/DD";
    EXPECT_EQ(date.FormatValue("06/05/2004", false), "2004/05/06");
    EXPECT_EQ(date.FormatValue("06/05/2004 7:30", true), "2004-05-06 07:30:00");
    EXPECT_EQ(date.FormatValue("nonsense", false), "");
    EXPECT_EQ(date.FormatValue("nonsense", true), "");

    CSCol text;
    text.caseType = DataTypeProperties::kCaseProper;
    EXPECT_EQ(text.FormatValue("HELLO wORLD", false), "Hello World");
    EXPECT_EQ(text.FormatValue("o'brien-smith", false), "O'Brien-Smith");
    EXPECT_EQ(text.FormatValue("3rd", false), "3Rd");
    text.caseType = DataTypeProperties::kCaseUpper;
    EXPECT_EQ(text.FormatValue("stra\xC3\x9F"
                               "e \xC3\xA9t\xC3\xA9",
                               false),
              "STRA\xC3\x9F"
              "E \xC3\x89T\xC3\x89");
}

TEST(CSColTest, UseLastValueAndDefaults) {
    CSCol column;
    column.useLastIfEmpty = true;
    std::vector<std::string> shown;
    for (const char* raw : {"A", "", "B", ""}) {
        shown.push_back(column.FormatValue(raw, false));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"A", "A", "B", "B"}));
    // A comparison form in between never moves the memory.
    column.FormatValue("Z", true);
    EXPECT_EQ(column.FormatValue("", false), "B");

    CSCol fallback;
    fallback.defaultValue = "none";
    EXPECT_EQ(fallback.FormatValue("", false), "none");
    EXPECT_EQ(fallback.FormatValue("x", false), "x");
}

TEST(CSColTest, LookupModes) {
    CSCol exact;
    exact.AddLookupEntry("NY = New York");
    EXPECT_EQ(exact.FormatValue("ny", false), "New York");
    EXPECT_EQ(exact.FormatValue("NY", false), "New York");
    EXPECT_TRUE(exact.lookupMatched);
    EXPECT_EQ(exact.FormatValue("NYC", false), "NYC");
    EXPECT_FALSE(exact.lookupMatched);
    exact.skipIfNoMatch = true;
    EXPECT_EQ(exact.FormatValue("NYC", false), "");
    EXPECT_FALSE(exact.lookupMatched);
    exact.FormatValue("ny", true);  // comparison forms leave the flag alone
    EXPECT_FALSE(exact.lookupMatched);

    CSCol whole;
    whole.allowPartialMatch = true;
    whole.AddLookupEntry("road = Road type");
    whole.AddLookupEntry("st = Street type");
    EXPECT_EQ(whole.FormatValue("Main ST", false), "Street type");
    EXPECT_EQ(whole.FormatValue("Broad Road", false), "Road type");  // first key in order wins
    EXPECT_EQ(whole.FormatValue("Lane", false), "Lane");

    CSCol parts;
    parts.allowPartialMatch = true;
    parts.onlyReplaceMatchingPart = true;
    parts.AddLookupEntry("St = Street");
    parts.AddLookupEntry("Rd = Road");
    EXPECT_EQ(parts.FormatValue("Main St", false), "Main Street");
    EXPECT_EQ(parts.FormatValue("1 RD and 2 rd", false), "1 Road and 2 Road");
    // Replacements are not searched again: "st" inside "Street" stays.
    EXPECT_EQ(parts.FormatValue("st st", false), "Street Street");
    parts.ignoreCase = false;
    EXPECT_EQ(parts.FormatValue("Main ST", false), "Main ST");
}

}  // namespace
