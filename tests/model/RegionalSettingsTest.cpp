#include "model/RegionalSettings.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <string>
#include <thread>

#include "model/CSCol.h"
#include "model/NumberFormat.h"

namespace {

std::shared_ptr<const RegionalSettings> Installed(const char* name) {
    auto settings = RegionalSettings::For(name);
    EXPECT_NE(settings, nullptr) << name << " is not installed (tools/install-deps.sh)";
    return settings;
}

std::string Formatted(const RegionalSettings& settings, std::string_view text, bool currency) {
    const RegionalSettings::Scope scope(settings);
    return FormatNumber(text, 2, true, currency);
}

TEST(RegionalSettingsTest, SettingsNameTheUsersTheInvariantOrAnInstalledLocale) {
    EXPECT_EQ(RegionalSettings::For("").get(), &RegionalSettings::User());
    EXPECT_EQ(RegionalSettings::For(RegionalSettings::kInvariant).get(),
              &RegionalSettings::Invariant());
    EXPECT_EQ(RegionalSettings::For("xx_NOWHERE.UTF-8"), nullptr);

    // Locales that define no grouping or currency get the en-US stand-ins.
    const auto cUtf8 = Installed("C.UTF-8");
    for (const RegionalSettings* settings : {&RegionalSettings::Invariant(), cUtf8.get()}) {
        EXPECT_EQ(Formatted(*settings, "-1234567.891", false), "-1,234,567.89");
        EXPECT_EQ(Formatted(*settings, "1234.5", true), "$1,234.50");
    }
    const auto german = Installed("de_DE.UTF-8");
    EXPECT_EQ(Formatted(*german, "1234567,891", false), "1.234.567,89");
    EXPECT_EQ(Formatted(*german, "-1234,5", true), "-1.234,50 \u20AC");
    // French groups with a narrow no-break space, a multi-byte separator.
    const auto french = Installed("fr_FR.UTF-8");
    EXPECT_EQ(Formatted(*french, "1234567,891", false), "1\u202F234\u202F567,89");
    EXPECT_EQ(Formatted(*french, "1\u202F234,5", false), "1\u202F234,50");
}

// A host program (or a toolkit) may set the process's locale at any time;
// the settings a run formats with must not move with it.
TEST(RegionalSettingsTest, TheProcessLocaleChangesNothing) {
    const std::string before = setlocale(LC_ALL, nullptr);
    if (!setlocale(LC_ALL, "de_DE.UTF-8")) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    }
    EXPECT_EQ(Formatted(RegionalSettings::Invariant(), "1234.5", false), "1,234.50");
    const auto turkish = Installed("tr_TR.UTF-8");
    setlocale(LC_ALL, before.c_str());

    // Case changes are the same in every region: no dotless i in Turkish.
    const RegionalSettings::Scope scope(*turkish);
    CSCol column("City");
    column.caseType = CSCol::kCaseUpper;
    EXPECT_EQ(column.FormatValue("istanbul", false), "ISTANBUL");
    column.caseType = CSCol::kCaseLower;
    EXPECT_EQ(column.FormatValue("DIYARBAKIR", false), "diyarbakir");
}

TEST(RegionalSettingsTest, AScopeHoldsOnItsOwnThreadAndEndsWithIt) {
    const auto german = Installed("de_DE.UTF-8");
    const RegionalSettings* seenElsewhere = nullptr;
    {
        const RegionalSettings::Scope outer(*german);
        {
            const RegionalSettings::Scope inner(RegionalSettings::Invariant());
            EXPECT_EQ(&RegionalSettings::Current(), &RegionalSettings::Invariant());
        }
        EXPECT_EQ(&RegionalSettings::Current(), german.get());
        EXPECT_EQ(NumberLocale::Current().decimalSeparator, ",");
        std::thread([&] { seenElsewhere = &RegionalSettings::Current(); }).join();
    }
    EXPECT_EQ(seenElsewhere, &RegionalSettings::User());
    EXPECT_EQ(&RegionalSettings::Current(), &RegionalSettings::User());
}

}  // namespace
