#pragma once

// A broken-down date and time as the date parser produces it: month 0-11
// (-1 when absent), year as year - 1900, day 0 when absent.
struct DateTimeParts {
    int second = 0;
    int minute = 0;
    int hour = 0;
    int day = 0;
    int month = 0;
    int year = 0;
    int isDst = -1;

    bool operator==(const DateTimeParts&) const = default;
};
