#pragma once

#include <ctime>
#include <string>

#include "DateTimeParts.h"

// What a run reads from the system: the clock, the user name and file times,
// all in local time. One place, so tests can fix them.
class RunEnvironment {
public:
    virtual ~RunEnvironment() = default;

    virtual DateTimeParts LocalNow() const;
    // At most 256 characters.
    virtual std::string UserName() const;
    // Creation (birth time where the file system keeps it, else the last
    // status change) and last modification of a file; false when it cannot
    // be read.
    virtual bool FileTimes(const std::string& path, DateTimeParts& created,
                           DateTimeParts& modified) const;

    static const RunEnvironment& Current();
    // Replaces the system environment (tests); nullptr restores it.
    static void Override(const RunEnvironment* environment);
};

// A moment of the system clock in local time.
DateTimeParts LocalTime(time_t seconds);
// "YYYY-MM-DD hh:mm:ss" as the tokens and file names show times.
std::string FormatTimestamp(const DateTimeParts& time);
