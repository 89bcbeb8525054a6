#include "DateFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "RegionalSettings.h"

namespace {

constexpr size_t kMaxDateText = 127;

bool IsSeparator(char c) {
    return c == '/' || c == '-' || c == '.' || c == ' ';
}

// A piece must start with a number (optional sign, at least one digit);
// characters after the digits are ignored, as in "13:45:00.5" or "45 PM".
bool ReadNumber(std::string_view piece, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '-' || piece[i] == '+')) {
        negative = piece[i] == '-';
        ++i;
    }
    const size_t digitsStart = i;
    int64_t number = 0;
    while (i < piece.size() && piece[i] >= '0' && piece[i] <= '9') {
        if (number < 1000000000000LL) {
            number = number * 10 + (piece[i] - '0');
        }
        ++i;
    }
    if (i == digitsStart) {
        return false;
    }
    value = negative ? -number : number;
    return true;
}

// Howard Hinnant's civil calendar algorithms (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y = yoe + era * 400 + (m <= 2);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

struct Normalised {
    int64_t year;
    int month;  // 1-12
    int day;
    int hour;
    int minute;
    int second;
    int weekday;  // 0 Sunday
};

int64_t Weekday(int64_t days) {
    const int64_t weekday = (days + 4) % 7;  // 1970-01-01 was a Thursday
    return weekday < 0 ? weekday + 7 : weekday;
}

Normalised Normalise(const DateTimeParts& parts) {
    // Most dates are whole and in range already: nothing carries over.
    if (parts.month >= 0 && parts.month <= 11 && parts.day >= 1 && parts.day <= 28 &&
        parts.hour >= 0 && parts.hour <= 23 && parts.minute >= 0 && parts.minute <= 59 &&
        parts.second >= 0 && parts.second <= 59) {
        const int64_t year = static_cast<int64_t>(parts.year) + 1900;
        return Normalised{
            year,
            parts.month + 1,
            parts.day,
            parts.hour,
            parts.minute,
            parts.second,
            static_cast<int>(Weekday(DaysFromCivil(year, parts.month + 1, parts.day)))};
    }
    int64_t year = static_cast<int64_t>(parts.year) + 1900;
    int64_t month = parts.month;
    int64_t day = parts.day;
    // Incomplete dates stand for the last day of their period.
    if (month == -1) {
        year += 1;
        month = 0;
    } else if (day <= 0) {
        day = 0;
        month += 1;
    }
    int64_t second = parts.second;
    int64_t minute = parts.minute + FloorDiv(second, 60);
    second -= FloorDiv(second, 60) * 60;
    int64_t hour = parts.hour + FloorDiv(minute, 60);
    minute -= FloorDiv(minute, 60) * 60;
    day += FloorDiv(hour, 24);
    hour -= FloorDiv(hour, 24) * 24;
    year += FloorDiv(month, 12);
    month -= FloorDiv(month, 12) * 12;
    const int64_t days = DaysFromCivil(year, month + 1, 1) + day - 1;
    Normalised n{};
    int64_t y, m, d;
    CivilFromDays(days, y, m, d);
    n.year = y;
    n.month = static_cast<int>(m);
    n.day = static_cast<int>(d);
    n.hour = static_cast<int>(hour);
    n.minute = static_cast<int>(minute);
    n.second = static_cast<int>(second);
    n.weekday = static_cast<int>(Weekday(days));
    return n;
}

std::tm ToTm(const Normalised& n) {
    std::tm tm{};
    tm.tm_year = static_cast<int>(n.year - 1900);
    tm.tm_mon = n.month - 1;
    tm.tm_mday = n.day;
    tm.tm_hour = n.hour;
    tm.tm_min = n.minute;
    tm.tm_sec = n.second;
    tm.tm_wday = n.weekday;
    tm.tm_isdst = -1;
    return tm;
}

// Zero-padded to minDigits (after any sign); every date field goes through here.
void AppendNumber(std::string& out, int64_t value, int minDigits) {
    if (value >= 0 && value < 10000 && minDigits <= 4) {
        // Every field of an ordinary date.
        const int digits = std::max(value < 10     ? 1
                                    : value < 100  ? 2
                                    : value < 1000 ? 3
                                                   : 4,
                                    minDigits);
        char small[4];
        for (int i = digits - 1; i >= 0; --i) {
            small[i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        out.append(small, static_cast<size_t>(digits));
        return;
    }
    char buffer[48];
    char* end = buffer + sizeof buffer;
    char* p = end;
    uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    const int width = std::min(minDigits, 24);
    while (end - p < width) {
        *--p = '0';
    }
    if (value < 0) {
        *--p = '-';
    }
    out.append(p, static_cast<size_t>(end - p));
}

// Two digits of value (0-99) at p.
void PutTwoDigits(char* p, int value) {
    p[0] = static_cast<char>('0' + value / 10);
    p[1] = static_cast<char>('0' + value % 10);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int DigitsAt(std::string_view text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "YYYY-MM-DD" (any date separator) with a year from 100 and a real month
// and day: the usual form, read without splitting it into pieces. Anything
// else takes the general path.
bool ParsePlainDate(std::string_view text, DateTimeParts& out) {
    if (text.size() != 10 || !IsSeparator(text[4]) || !IsSeparator(text[7]) || text[4] == ' ' ||
        text[7] == ' ') {
        return false;
    }
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!IsDigit(text[i])) {
            return false;
        }
    }
    const int year = DigitsAt(text, 0, 4);
    const int month = DigitsAt(text, 5, 2);
    const int day = DigitsAt(text, 8, 2);
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > 31) {
        return false;
    }
    out.year = year - 1900;
    out.month = month - 1;
    out.day = day;
    return true;
}

const char* OrdinalSuffix(int day) {
    const int basis = day <= 20 ? day : day % 10;
    switch (basis) {
        case 1:
            return "st";
        case 2:
            return "nd";
        case 3:
            return "rd";
        default:
            return "th";
    }
}

// Pieces are runs of non-separators, as a token splitter gives them.
class DatePieces {
public:
    explicit DatePieces(std::string_view text) : text_(text) {}

    bool Next(std::string_view& piece) {
        SkipSeparators();
        if (pos_ >= text_.size()) {
            return false;
        }
        const size_t start = pos_;
        while (pos_ < text_.size() && !IsSeparator(text_[pos_])) {
            ++pos_;
        }
        piece = text_.substr(start, pos_ - start);
        return true;
    }
    // What follows the pieces read so far and the separators after them.
    std::string_view Rest() {
        SkipSeparators();
        return text_.substr(pos_);
    }

private:
    void SkipSeparators() {
        while (pos_ < text_.size() && IsSeparator(text_[pos_])) {
            ++pos_;
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
};

using DateNumbers = std::array<int64_t, 3>;

// Compact forms: no separator at all, no time.
bool ReadCompactDate(std::string_view text, int32_t dateSequence, DateNumbers& numbers) {
    std::array<size_t, 3> widths{2, 2, 2};
    if (text.size() == 8) {
        const bool yearFirst = dateSequence == 0 || dateSequence == 5;
        const bool yearSecond = dateSequence == 3 || dateSequence == 4;
        widths = {yearFirst ? 4u : 2u, yearSecond ? 4u : 2u, (!yearFirst && !yearSecond) ? 4u : 2u};
    } else if (text.size() != 6) {
        return false;
    }
    size_t at = 0;
    for (size_t i = 0; i < 3; ++i) {
        const std::string_view part = text.substr(at, widths[i]);
        for (char c : part) {
            if (c < '0' || c > '9') {
                return false;
            }
        }
        ReadNumber(part, numbers[i]);
        at += widths[i];
    }
    return true;
}

// The time splits on ':'; an empty part stays 0.
bool ReadTime(std::string_view rest, DateNumbers& time) {
    for (size_t i = 0; i < 3 && !rest.empty(); ++i) {
        const size_t colon = rest.find(':');
        const std::string_view part = rest.substr(0, colon);
        if (!part.empty() && !ReadNumber(part, time[i])) {
            return false;
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return true;
}

bool ReadSeparatedDate(DatePieces& pieces, std::string_view first, DateNumbers& numbers,
                       DateNumbers& time) {
    if (!ReadNumber(first, numbers[0])) {
        return false;
    }
    std::string_view piece;
    for (size_t i = 1; i < 3 && pieces.Next(piece); ++i) {
        if (!ReadNumber(piece, numbers[i])) {
            return false;
        }
    }
    // The rest of the text is the time.
    return ReadTime(pieces.Rest(), time);
}

bool AnyNegative(const DateNumbers& numbers) {
    for (int64_t n : numbers) {
        if (n < 0) {
            return true;
        }
    }
    return false;
}

struct YearMonthDay {
    int64_t year = 0;
    int64_t month = 0;
    int64_t day = 0;
};

YearMonthDay InSequence(const DateNumbers& numbers, int32_t dateSequence) {
    YearMonthDay date;
    switch (dateSequence) {
        case 1:  // MDY
            date.month = numbers[0], date.day = numbers[1], date.year = numbers[2];
            break;
        case 2:  // DMY
            date.day = numbers[0], date.month = numbers[1], date.year = numbers[2];
            break;
        case 3:  // MYD
            date.month = numbers[0], date.year = numbers[1], date.day = numbers[2];
            break;
        case 4:  // DYM
            date.day = numbers[0], date.year = numbers[1], date.month = numbers[2];
            break;
        case 5:  // YDM
            date.year = numbers[0], date.day = numbers[1], date.month = numbers[2];
            break;
        default:  // YMD
            date.year = numbers[0], date.month = numbers[1], date.day = numbers[2];
            break;
    }
    return date;
}

// Checks the ranges and widens a short year; out is left alone on failure.
bool StoreDate(YearMonthDay date, const DateNumbers& time, DateTimeParts& out) {
    date.month -= 1;  // stored 0-based: a missing month becomes -1
    if (date.month > 11 || date.day > 31 || time[0] > 24 || time[1] > 59 || time[2] > 59 ||
        date.year > 100000000) {
        return false;
    }
    if (date.year < 100) {
        date.year += date.year < 33 ? 2000 : 1900;
    }
    out.year = static_cast<int>(date.year - 1900);
    out.month = static_cast<int>(date.month);
    out.day = static_cast<int>(date.day);
    out.hour = static_cast<int>(time[0]);
    out.minute = static_cast<int>(time[1]);
    out.second = static_cast<int>(time[2]);
    out.isDst = -1;
    return true;
}

}  // namespace

bool ParseDate(std::string_view text, int32_t dateSequence, DateTimeParts& out) {
    out = DateTimeParts();
    out.isDst = -1;
    if (dateSequence == 0 && ParsePlainDate(text, out)) {
        return true;
    }
    if (text.size() > kMaxDateText) {
        text = text.substr(0, kMaxDateText);
    }
    if (text.empty()) {
        return false;
    }
    DatePieces pieces(text);
    std::string_view first;
    if (!pieces.Next(first)) {
        return false;
    }
    DateNumbers numbers{0, 0, 0};
    DateNumbers time{0, 0, 0};
    const bool read = first.size() == text.size() ? ReadCompactDate(text, dateSequence, numbers)
                                                  : ReadSeparatedDate(pieces, first, numbers, time);
    if (!read || AnyNegative(numbers) || AnyNegative(time)) {
        return false;
    }
    return StoreDate(InSequence(numbers, dateSequence), time, out);
}

namespace {

// Names only for patterns that spell them out.
class NamesOnDemand {
public:
    const TimeNames& operator()() {
        if (!names_) {
            names_ = &RegionalSettings::Current().Names();
        }
        return *names_;
    }

private:
    const TimeNames* names_ = nullptr;
};

// One run of a pattern letter; a run of any other character is copied.
inline void AppendDateField(std::string& out, std::string_view letters, const Normalised& n,
                            NamesOnDemand& names) {
    const size_t run = letters.size();
    switch (letters.front()) {
        case 'D':
            AppendNumber(out, n.day, run >= 2 && run < 3 ? 2 : 1);
            if (run >= 3) {
                out += OrdinalSuffix(n.day);
            }
            break;
        case 'M':
            if (run <= 2) {
                AppendNumber(out, n.month, static_cast<int>(run));
            } else {
                out += (run == 3 ? names().shortMonths : names().months)[n.month - 1];
            }
            break;
        case 'W':
            out += (run <= 2 ? names().shortDays : names().days)[n.weekday];
            break;
        case 'Y':
            if (run <= 2) {
                AppendNumber(out, ((n.year % 100) + 100) % 100, 2);
            } else {
                // At least four digits, so comparison texts sort by year.
                AppendNumber(out, n.year, 4);
            }
            break;
        case 'h':
            AppendNumber(out, n.hour, run >= 2 ? 2 : 1);
            break;
        case 'm':
            AppendNumber(out, n.minute, run >= 2 ? 2 : 1);
            break;
        case 's':
            AppendNumber(out, n.second, run >= 2 ? 2 : 1);
            break;
        default:
            out.append(letters);
            break;
    }
}

}  // namespace

std::string FormatDate(const DateTimeParts& parts, std::string_view pattern) {
    std::string out;
    FormatDateInto(parts, pattern, out);
    return out;
}

void FormatDateInto(const DateTimeParts& parts, std::string_view pattern, std::string& out) {
    const Normalised n = Normalise(parts);
    out.clear();
    if (pattern.empty()) {
        RegionalSettings::Current().AppendShortDate(out, ToTm(n));
        return;
    }
    NamesOnDemand names;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) {
            ++run;
        }
        AppendDateField(out, std::string_view(pattern.data() + i, run), n, names);
        i += run;
    }
}

void FormatComparisonDate(const DateTimeParts& parts, std::string& out) {
    const Normalised n = Normalise(parts);
    out.clear();
    if (n.year < 0 || n.year > 9999) {
        AppendNumber(out, n.year, 4);
    } else {
        char year[4];
        PutTwoDigits(year, static_cast<int>(n.year / 100));
        PutTwoDigits(year + 2, static_cast<int>(n.year % 100));
        out.append(year, sizeof year);
    }
    char rest[] = "-MM-DD hh:mm:ss";
    PutTwoDigits(rest + 1, n.month);
    PutTwoDigits(rest + 4, n.day);
    PutTwoDigits(rest + 7, n.hour);
    PutTwoDigits(rest + 10, n.minute);
    PutTwoDigits(rest + 13, n.second);
    out.append(rest, sizeof rest - 1);
}
