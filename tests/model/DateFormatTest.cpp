#include "model/DateFormat.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "RegionalTestSupport.h"
#include "model/RegionalSettings.h"

namespace {

struct ParseCase {
    const char* text;
    int sequence;
    bool ok;
    int year, month, day, hour, minute, second;  // month 1-12 here; 0 = missing
};

TEST(DateFormatTest, ParsesEverySequenceAndForm) {
    const ParseCase cases[] = {
        {"2004-05-06", 0, true, 2004, 5, 6, 0, 0, 0},
        {"05/06/2004", 1, true, 2004, 5, 6, 0, 0, 0},  // MDY
        {"06/05/2004", 2, true, 2004, 5, 6, 0, 0, 0},  // DMY
        {"05.2004.06", 3, true, 2004, 5, 6, 0, 0, 0},  // MYD
        {"06 2004 05", 4, true, 2004, 5, 6, 0, 0, 0},  // DYM
        {"2004-06-05", 5, true, 2004, 5, 6, 0, 0, 0},  // YDM
        {"06052004", 2, true, 2004, 5, 6, 0, 0, 0},    // compact, year last
        {"20040506", 0, true, 2004, 5, 6, 0, 0, 0},    // compact, year first
        {"05200406", 3, true, 2004, 5, 6, 0, 0, 0},    // compact MYD
        {"040506", 0, true, 2004, 5, 6, 0, 0, 0},      // six digits
        {"6-5-04 13:45", 2, true, 2004, 5, 6, 13, 45, 0},
        {"2004-05-06 13:45:30", 0, true, 2004, 5, 6, 13, 45, 30},
        {"2004-05-06 24:00", 0, true, 2004, 5, 6, 24, 0, 0},
        {"2004//05--06", 0, true, 2004, 5, 6, 0, 0, 0},  // runs of separators
        {"1/2/33", 1, true, 1933, 1, 2, 0, 0, 0},
        {"1/2/32", 1, true, 2032, 1, 2, 0, 0, 0},
        {"1/2/00", 1, true, 2000, 1, 2, 0, 0, 0},
        {"2004-05", 0, true, 2004, 5, 0, 0, 0, 0},  // missing day
        {"2004", 0, false, 0, 0, 0, 0, 0, 0},       // neither compact nor split
        {"31/13/2004", 2, false, 0, 0, 0, 0, 0, 0},
        {"32/12/2004", 2, false, 0, 0, 0, 0, 0, 0},
        {"2004-05-06 10:60", 0, false, 0, 0, 0, 0, 0, 0},
        {"2004-05-06 25:00", 0, false, 0, 0, 0, 0, 0, 0},
        {"2004--5-06", 0, true, 2004, 5, 6, 0, 0, 0},  // '-' is a separator here
        // Around the quick reading of ten-character dates.
        {"2004/05/31", 0, true, 2004, 5, 31, 0, 0, 0},
        {"2004.12.01", 0, true, 2004, 12, 1, 0, 0, 0},
        {"2004 05 06", 0, true, 2004, 5, 6, 0, 0, 0},
        {"0099-05-06", 0, true, 1999, 5, 6, 0, 0, 0},  // a short year is read as one
        {"2004-00-06", 0, true, 2004, 0, 6, 0, 0, 0},  // month 0 counts as missing
        {"2004-05-00", 0, true, 2004, 5, 0, 0, 0, 0},
        {"20a4-05-06", 0, true, 2020, 5, 6, 0, 0, 0},  // a piece ends at its digits
        {"2004-05-32", 0, false, 0, 0, 0, 0, 0, 0},
        {"2004-13-01", 0, false, 0, 0, 0, 0, 0, 0},
        {"", 0, false, 0, 0, 0, 0, 0, 0},
        {"n/a", 0, false, 0, 0, 0, 0, 0, 0},
        {"abcdefgh", 0, false, 0, 0, 0, 0, 0, 0},
        {"12345", 0, false, 0, 0, 0, 0, 0, 0},
    };
    for (const ParseCase& c : cases) {
        DateTimeParts parts;
        const bool ok = ParseDate(c.text, c.sequence, parts);
        EXPECT_EQ(ok, c.ok) << c.text;
        if (!ok) {
            EXPECT_EQ(parts, DateTimeParts()) << c.text;
            continue;
        }
        EXPECT_EQ(parts.year + 1900, c.year) << c.text;
        EXPECT_EQ(parts.month + 1, c.month) << c.text;
        EXPECT_EQ(parts.day, c.day) << c.text;
        EXPECT_EQ(parts.hour, c.hour) << c.text;
        EXPECT_EQ(parts.minute, c.minute) << c.text;
        EXPECT_EQ(parts.second, c.second) << c.text;
        EXPECT_EQ(parts.isDst, -1);
    }
}

std::string Format(const char* text, int sequence, const char* pattern) {
    DateTimeParts parts;
    EXPECT_TRUE(ParseDate(text, sequence, parts)) << text;
    return FormatDate(parts, pattern);
}

TEST(DateFormatTest, FormatsPatternLetterRuns) {
    const testsupport::EnglishConventions english;
    const std::tuple<const char*, int, const char*, const char*> cases[] = {
        {"2004-05-06", 0, "WWW MMMM DDD, YYYY", "Thursday May 6th, 2004"},
        {"2021-03-01", 0, "D MMM YY", "1 Mar 21"},
        {"2021-03-22", 0, "DDD", "22nd"},
        {"2021-03-11", 0, "DDD", "11th"},
        {"2021-03-12", 0, "DDDD", "12th"},
        {"2021-03-13", 0, "DDD", "13th"},
        {"2021-03-21", 0, "DDD", "21st"},
        {"2021-03-23", 0, "DDD", "23rd"},
        {"2021-03-31", 0, "DDD", "31st"},
        {"2021-03-02", 0, "DDD", "2nd"},
        {"2004-05-06 07:08:09", 0, "YYYY-MM-DD hh:mm:ss", "2004-05-06 07:08:09"},
        {"2004-05-06 07:08:09", 0, "h:m:s", "7:8:9"},
        {"2004-05-06", 0, "M/D/Y", "5/6/04"},
        {"2004-05-06", 0, "WW W", "Thu Thu"},
        {"2004-05-06", 0, "dd yy x", "dd yy x"},        // lower-case d and y are text
        {"2004-05", 0, "DD.MM.YYYY", "31.05.2004"},     // last day of the month
        {"2004-02", 0, "DD.MM.YYYY", "29.02.2004"},     // leap year
        {"2004-00-00", 0, "DD.MM.YYYY", "31.12.2004"},  // last day of the year
        {"2004-04-31", 0, "DD.MM.YYYY", "01.05.2004"},  // normalised
        {"2004-05-06 24:00", 0, "DD hh", "07 00"},
        {"1600-01-01", 0, "WWW DD MMMM YYYY", "Saturday 01 January 1600"},
        {"2500-01-01", 0, "WW YYYY", "Fri 2500"},
        {"0099-12-31", 0, "YYYY-MM-DD", "1999-12-31"},  // two-digit year widened
        {"20400229", 0, "YYYY-MM-DD", "2040-02-29"},
    };
    for (const auto& [text, sequence, pattern, expected] : cases) {
        EXPECT_EQ(Format(text, sequence, pattern), expected) << text << " " << pattern;
    }
}

TEST(DateFormatTest, NamesAndShortDatesComeFromTheRegionalSettings) {
    const auto strftimeText = [](const char* format, const std::tm& tm, const char* locale) {
        const locale_t named = newlocale(LC_ALL_MASK, locale, static_cast<locale_t>(0));
        char buffer[64];
        const size_t length = strftime_l(buffer, sizeof buffer, format, &tm, named);
        freelocale(named);
        return std::string(buffer, length);
    };
    for (const char* locale : {"C.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
        const std::shared_ptr<const RegionalSettings> settings = RegionalSettings::For(locale);
        ASSERT_NE(settings, nullptr) << locale << " is not installed (tools/install-deps.sh)";
        const RegionalSettings::Scope scope(*settings);
        std::string out = "replaced";
        for (int month = 0; month < 12; ++month) {
            // The 1st of each month of 2023, a year that began on a Sunday.
            DateTimeParts parts;
            const std::string text = "2023-" + std::to_string(month + 1) + "-01";
            ASSERT_TRUE(ParseDate(text, 0, parts));
            FormatDateInto(parts, "MMM|MMMM|WW|WWW", out);
            std::tm tm{};
            tm.tm_year = 123;
            tm.tm_mon = month;
            tm.tm_mday = 1;
            tm.tm_wday =
                (0 + std::array{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334}[month]) % 7;
            EXPECT_EQ(out, strftimeText("%b|%B|%a|%A", tm, locale)) << locale << " " << text;
            FormatDateInto(parts, "", out);
            EXPECT_EQ(out, strftimeText("%x", tm, locale)) << locale << " " << text;
        }
    }
    // The invariant settings: English names, ISO short dates.
    const RegionalSettings::Scope invariant(RegionalSettings::Invariant());
    DateTimeParts parts;
    ASSERT_TRUE(ParseDate("2023-03-05", 0, parts));
    EXPECT_EQ(FormatDate(parts, "WWW D MMMM"), "Sunday 5 March");
    EXPECT_EQ(FormatDate(parts, ""), "2023-03-05");
}

TEST(DateFormatTest, FarYearsKeepFourDigits) {
    DateTimeParts parts;
    ASSERT_TRUE(ParseDate("99999-01-01", 0, parts));
    EXPECT_EQ(FormatDate(parts, kComparisonDatePattern), "99999-01-01 00:00:00");
    ASSERT_TRUE(ParseDate("0500-06-15", 0, parts));  // a four-digit year below 1000
    EXPECT_EQ(FormatDate(parts, kComparisonDatePattern), "0500-06-15 00:00:00");
    EXPECT_FALSE(FormatDate(parts, "").empty());  // the locale's short date
}

// Whole dates take a shorter way than dates that carry over (day 29 and on):
// weekdays must run on across both.
TEST(DateFormatTest, WeekdaysRunOnDayAfterDay) {
    const testsupport::EnglishConventions english;
    const std::vector<std::string> names = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    for (const int year : {1600, 1899, 1969, 2024, 2100}) {
        DateTimeParts first;
        ASSERT_TRUE(ParseDate(std::to_string(year) + "-01-01", 0, first));
        const auto at = std::find(names.begin(), names.end(), FormatDate(first, "WW"));
        ASSERT_NE(at, names.end());
        auto expected = static_cast<size_t>(at - names.begin());
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                DateTimeParts parts;
                char text[32];
                std::snprintf(text, sizeof text, "%04d-%02d-%02d 23:59:59", year, month, day);
                if (!ParseDate(text, 0, parts) ||
                    FormatDate(parts, "YYYY-MM-DD") != std::string(text).substr(0, 10)) {
                    continue;  // no such day: it carried into the next month
                }
                EXPECT_EQ(FormatDate(parts, "WW"), names[expected]) << text;
                expected = (expected + 1) % 7;
            }
        }
    }
    DateTimeParts monday;
    ASSERT_TRUE(ParseDate("2024-01-01", 0, monday));
    EXPECT_EQ(FormatDate(monday, "WW"), "Mon");
}

TEST(DateFormatTest, ComparisonFormMatchesItsPattern) {
    // Incomplete dates, times past midnight, far and early years.
    const char* texts[] = {"2024-02-29 13:45:07", "2023-12",     "1999",
                           "2024-01-31 24:00:00", "99999-01-01", "0500-06-15",
                           "31/12/69 23:59:59"};
    for (const char* text : texts) {
        for (const int32_t sequence : {0, 2}) {
            DateTimeParts parts;
            if (!ParseDate(text, sequence, parts)) {
                continue;
            }
            std::string out = "stale";
            FormatComparisonDate(parts, out);
            EXPECT_EQ(out, FormatDate(parts, kComparisonDatePattern)) << text;
        }
    }
}

}  // namespace
