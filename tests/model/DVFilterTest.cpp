#include "model/DVFilter.h"

#include <gtest/gtest.h>

#include "model/CSCol.h"
#include "model/DataTypeProperties.h"

namespace {

DVFilter Make(int32_t op, const char* value, int32_t type) {
    DVFilter filter;
    filter.SetOperator(op);
    filter.SetValue(value);
    filter.SetValueType(type);
    return filter;
}

struct EvalCase {
    int32_t op;
    const char* value;
    int32_t type;
    const char* text;
    bool expected;
};

TEST(DVFilterTest, OperatorsEvaluateComparisonForms) {
    using D = DVFilter;
    const int32_t kText = DataTypeProperties::kText;
    const int32_t kNumber = DataTypeProperties::kNumber;
    const int32_t kDate = DataTypeProperties::kDateTime;
    const EvalCase cases[] = {
        {D::kNone, "", kText, "anything", true},
        {D::kEquals, "abc", kText, "ABC", true},
        {D::kNotEquals, "abc", kText, "abd", true},
        {D::kLess, "b", kText, "A", true},
        // Numbers compare by value: 9 is below 10 although "9" sorts after "10".
        {D::kGreater, "10", kNumber, "000000000009.00", false},
        {D::kGreater, "10", kNumber, "000000000015.00", true},
        {D::kLess, "20", kNumber, "000000000015.00", true},
        {D::kLessOrEqual, "-3", kNumber, "-00000000000003", true},
        {D::kGreaterOrEqual, "2.5", kNumber, "000000000002.49", false},
        // A date without its day matches the whole month.
        {D::kEquals, "2004-05", kDate, "2004-05-01 00:00:00", true},
        {D::kEquals, "2004-05", kDate, "2004-05-31 23:59:59", false},  // time still counts
        {D::kEquals, "2004-05", kDate, "2004-06-01 00:00:00", false},
        {D::kGreater, "2004-05-06", kDate, "2004-05-07 00:00:00", true},
        {D::kBeginsWith, "ab", kText, "ABC", true},
        {D::kBeginsWith, "", kText, "ABC", false},
        {D::kNotBeginsWith, "", kText, "ABC", true},
        {D::kBeginsWith, "abcd", kText, "abc", false},
        {D::kEndsWith, "BC", kText, "abc", true},
        {D::kNotEndsWith, "bc", kText, "abc", false},
        {D::kEndsWith, "a", kText, "", false},
        {D::kContains, "B", kText, "abc", true},
        {D::kContains, "", kText, "", true},
        {D::kNotContains, "x", kText, "abc", true},
        {D::kContains, "\xC3\x89T", kText, "\xC3\xA9t\xC3\xA9", true},
        {99, "x", kText, "x", false},
    };
    for (const EvalCase& c : cases) {
        EXPECT_EQ(Make(c.op, c.value, c.type).Evaluate(c.text), c.expected)
            << "op " << c.op << " value " << c.value << " text " << c.text;
    }
}

TEST(DVFilterTest, DateComparisonSkipsMissingParts) {
    const DVFilter month = Make(DVFilter::kEquals, "2004-05", DataTypeProperties::kDateTime);
    EXPECT_EQ(month.DateValue().day, 0);
    EXPECT_EQ(month.Compare("2004-05-17"), 0);
    EXPECT_LT(month.Compare("2004-04-30"), 0);
    EXPECT_GT(month.Compare("2005-01-01"), 0);
    const DVFilter number = Make(DVFilter::kEquals, "12.5kg", DataTypeProperties::kNumber);
    EXPECT_EQ(number.NumericValue(), 12.5);
    EXPECT_EQ(number.Compare("12.50"), 0);
}

TEST(DVFilterTest, SqlConditions) {
    const std::tuple<int32_t, const char*, int32_t, const char*, const char*> cases[] = {
        {DVFilter::kEquals, "abc", 0, "Name", "[Name] = 'abc'"},
        {DVFilter::kEquals, "", 0, "Name", "[Name] = ''"},
        {DVFilter::kGreater, "10", 1, "Qty", "[Qty] > 10"},
        {DVFilter::kContains, "5", 1, "Qty", "{fn CONVERT(Qty, SQL_VARCHAR)} LIKE '%5%'"},
        {DVFilter::kEquals, "2004-05-06", 2, "D", "[D] = 2004-05-06"},
        {DVFilter::kEquals, "May 2004", 2, "D", "{fn CONVERT(D, SQL_VARCHAR)} = 'May 2004'"},
        {DVFilter::kNotBeginsWith, "ab", 0, "N", "NOT [N] LIKE 'ab%'"},
        {DVFilter::kEndsWith, "ab", 0, "N", "[N] LIKE '%ab'"},
        {DVFilter::kNotEquals, "", 1, "Qty", "NOT [Qty] = ''"},
        {DVFilter::kNone, "x", 0, "N", ""},
    };
    for (const auto& [op, value, type, column, expected] : cases) {
        EXPECT_EQ(Make(op, value, type).BuildSqlCondition(column), expected) << expected;
    }
    EXPECT_STREQ(DVFilter::FindOperator(DVFilter::kGreaterOrEqual)->name,
                 "is greater than or equal to");
    EXPECT_EQ(DVFilter::FindOperator(13), nullptr);
}

}  // namespace

TEST(DVFilterTest, NumbersGivenDirectlyMeetTheConditionTheirComparisonFormMeets) {
    const char* const raws[] = {"12",
                                "-3",
                                "9.95",
                                "9.949",
                                "10",
                                "0",
                                "-0",
                                "",
                                "abc",
                                "1e400",
                                "-1e400",
                                "2.5",
                                "2.45",
                                "999999999999999",
                                "1000000000000000.5",
                                "  7 ",
                                "$1,234.56",
                                "0.005"};
    const char* const values[] = {"10", "9.95", "-3", "2.5", "0", "abc", "1e400"};
    for (const int precision : {-1, 0, 1, 2}) {
        CSCol column;
        column.dataType = DataTypeProperties::kNumber;
        column.precision = precision;
        column.defaultValue = "4";  // the empty text stands for it
        std::string scratch;
        for (int32_t op = DVFilter::kEquals; op <= DVFilter::kLessOrEqual; ++op) {
            for (const char* value : values) {
                const DVFilter filter = Make(op, value, DataTypeProperties::kNumber);
                ASSERT_TRUE(filter.ComparesNumbers());
                for (const char* raw : raws) {
                    EXPECT_EQ(filter.EvaluateNumber(column.ComparisonNumberOf(raw, scratch)),
                              filter.Evaluate(column.FormatValue(raw, true)))
                        << "op " << op << " value " << value << " raw '" << raw << "' precision "
                        << precision;
                }
            }
        }
    }
    EXPECT_FALSE(Make(DVFilter::kContains, "1", DataTypeProperties::kNumber).ComparesNumbers());
    EXPECT_FALSE(Make(DVFilter::kEquals, "1", DataTypeProperties::kText).ComparesNumbers());
}
