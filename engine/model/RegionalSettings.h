#pragma once

#include <locale.h>

#include <array>
#include <ctime>
#include <memory>
#include <string>

#include "NumberFormat.h"

// Month and weekday names as strftime writes them.
struct TimeNames {
    std::array<std::string, 12> shortMonths;
    std::array<std::string, 12> months;
    std::array<std::string, 7> shortDays;
    std::array<std::string, 7> days;
};

// The regional settings numbers and dates are formatted and read by: number
// and currency conventions, month and weekday names, the short date. They
// come from a definition's setting: the user's (read from the environment,
// LC_ALL, else the category's own variable, else LANG, once per process), the
// invariant ones, or an installed locale by name. Never from the process's
// global locale, which a host program (or Qt) may have changed: the editor,
// dvrun and the component write the same bytes.
//
// The invariant settings: '.' as the decimal point, ',' in groups of three
// and '$' before amounts where a column asks for them, English month and day
// names, ISO dates (YYYY-MM-DD) for an empty date pattern. Where a locale
// defines no thousands separator or currency symbol (C, C.UTF-8), those
// en-US conventions stand in too.
class RegionalSettings {
public:
    // The setting that names the invariant settings (an empty one names the
    // user's).
    static constexpr const char* kInvariant = "C";

    // The settings a definition's setting names; null when it names a
    // locale that is not installed.
    static std::shared_ptr<const RegionalSettings> For(const std::string& setting);
    static const RegionalSettings& User();
    static const RegionalSettings& Invariant();

    // For Invariant, User and For alone (Key is theirs).
    struct Key {
        explicit Key() = default;
    };
    RegionalSettings(Key, locale_t locale, bool invariant);
    ~RegionalSettings();
    RegionalSettings(const RegionalSettings&) = delete;
    RegionalSettings& operator=(const RegionalSettings&) = delete;

    const NumberLocale& Numbers() const noexcept { return numbers_; }
    const TimeNames& Names() const noexcept { return names_; }
    // The date an empty pattern gives: the locale's short date ("%x"), or
    // ISO for the invariant settings.
    void AppendShortDate(std::string& out, const std::tm& tm) const;

    // The settings formatting and reading use on this thread: those a Scope
    // made current (a run's), else the user's.
    static const RegionalSettings& Current();

    // Makes settings the current ones on this thread while it lives.
    class Scope {
    public:
        explicit Scope(const RegionalSettings& settings);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        const RegionalSettings* previous_;
    };

private:
    locale_t locale_;
    bool invariant_;
    NumberLocale numbers_;
    TimeNames names_;
};
