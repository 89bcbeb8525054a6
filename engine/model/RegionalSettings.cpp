#include "RegionalSettings.h"

#include <climits>
#include <clocale>

namespace {

thread_local const RegionalSettings* current = nullptr;

// Reads the locale's conventions through this thread alone, so the global
// locale (and other threads) never see the change.
class ThreadLocale {
public:
    explicit ThreadLocale(locale_t locale) : previous_(uselocale(locale)) {}
    ~ThreadLocale() { uselocale(previous_); }
    ThreadLocale(const ThreadLocale&) = delete;
    ThreadLocale& operator=(const ThreadLocale&) = delete;

private:
    locale_t previous_;
};

NumberLocale ReadNumbers(locale_t locale) {
    const ThreadLocale use(locale);
    NumberLocale conventions;  // en-US unless the locale says otherwise
    const lconv* lc = std::localeconv();
    if (!lc) {
        return conventions;
    }
    if (lc->decimal_point && *lc->decimal_point) {
        conventions.decimalSeparator = lc->decimal_point;
    }
    if (lc->thousands_sep && *lc->thousands_sep) {
        conventions.thousandsSeparator = lc->thousands_sep;
        conventions.grouping = lc->grouping ? lc->grouping : "";
    }
    if (lc->currency_symbol && *lc->currency_symbol) {
        auto flag = [](char value, bool fallback) {
            return value == CHAR_MAX ? fallback : value != 0;
        };
        auto number = [](char value, int fallback) {
            return value == CHAR_MAX ? fallback : static_cast<int>(value);
        };
        conventions.currencySymbol = lc->currency_symbol;
        conventions.positiveSign = lc->positive_sign ? lc->positive_sign : "";
        conventions.negativeSign =
            (lc->negative_sign && *lc->negative_sign) ? lc->negative_sign : "-";
        conventions.symbolPrecedesPositive = flag(lc->p_cs_precedes, true);
        conventions.symbolPrecedesNegative = flag(lc->n_cs_precedes, true);
        conventions.spacePositive = number(lc->p_sep_by_space, 0);
        conventions.spaceNegative = number(lc->n_sep_by_space, 0);
        conventions.signPositionPositive = number(lc->p_sign_posn, 1);
        conventions.signPositionNegative = number(lc->n_sign_posn, 1);
    }
    return conventions;
}

void AppendTime(std::string& out, const char* format, const std::tm& tm, locale_t locale) {
    char buffer[128];
    out.append(buffer, strftime_l(buffer, sizeof buffer, format, &tm, locale));
}

TimeNames ReadNames(locale_t locale) {
    TimeNames names;
    std::tm tm{};
    for (int month = 0; month < 12; ++month) {
        tm.tm_mon = month;
        AppendTime(names.shortMonths[month], "%b", tm, locale);
        AppendTime(names.months[month], "%B", tm, locale);
    }
    for (int day = 0; day < 7; ++day) {
        tm.tm_wday = day;
        AppendTime(names.shortDays[day], "%a", tm, locale);
        AppendTime(names.days[day], "%A", tm, locale);
    }
    return names;
}

locale_t NewLocale(const char* name) {
    return newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
}

}  // namespace

RegionalSettings::RegionalSettings(Key, locale_t locale, bool invariant)
    : locale_(locale),
      invariant_(invariant),
      numbers_(ReadNumbers(locale)),
      names_(ReadNames(locale)) {}

RegionalSettings::~RegionalSettings() {
    freelocale(locale_);
}

const RegionalSettings& RegionalSettings::User() {
    // An environment that names a locale this machine lacks reads as C.
    static const RegionalSettings user(
        Key(),
        [] {
            const locale_t locale = NewLocale("");
            return locale ? locale : NewLocale("C");
        }(),
        false);
    return user;
}

const RegionalSettings& RegionalSettings::Invariant() {
    static const RegionalSettings invariant(Key(), NewLocale("C"), true);
    return invariant;
}

std::shared_ptr<const RegionalSettings> RegionalSettings::For(const std::string& setting) {
    // The shared settings live as long as the process: nothing to release.
    if (setting.empty()) {
        return std::shared_ptr<const RegionalSettings>(std::shared_ptr<void>(), &User());
    }
    if (setting == kInvariant) {
        return std::shared_ptr<const RegionalSettings>(std::shared_ptr<void>(), &Invariant());
    }
    const locale_t locale = NewLocale(setting.c_str());
    if (!locale) {
        return nullptr;
    }
    return std::make_shared<const RegionalSettings>(Key(), locale, false);
}

void RegionalSettings::AppendShortDate(std::string& out, const std::tm& tm) const {
    AppendTime(out, invariant_ ? "%Y-%m-%d" : "%x", tm, locale_);
}

const RegionalSettings& RegionalSettings::Current() {
    return current ? *current : User();
}

RegionalSettings::Scope::Scope(const RegionalSettings& settings) : previous_(current) {
    current = &settings;
}

RegionalSettings::Scope::~Scope() {
    current = previous_;
}
