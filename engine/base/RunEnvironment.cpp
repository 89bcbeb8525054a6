#include "RunEnvironment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "AccountName.h"

namespace {

std::atomic<const RunEnvironment*> overridden{nullptr};

DateTimeParts FromTm(const std::tm& tm) {
    DateTimeParts parts;
    parts.year = tm.tm_year;
    parts.month = tm.tm_mon;
    parts.day = tm.tm_mday;
    parts.hour = tm.tm_hour;
    parts.minute = tm.tm_min;
    parts.second = tm.tm_sec;
    parts.isDst = tm.tm_isdst;
    return parts;
}

}  // namespace

DateTimeParts LocalTime(time_t seconds) {
    std::tm tm{};
    localtime_r(&seconds, &tm);
    return FromTm(tm);
}

DateTimeParts RunEnvironment::LocalNow() const {
    return LocalTime(std::time(nullptr));
}

std::string RunEnvironment::UserName() const {
    std::string name = AccountName();
    if (!name.empty()) {
        return name;
    }
    if (const char* user = std::getenv("USER")) {
        name = user;
    } else if (const char* logName = std::getenv("LOGNAME")) {
        name = logName;
    }
    if (name.size() > 256) {
        name.resize(256);
    }
    return name;
}

bool RunEnvironment::FileTimes(const std::string& path, DateTimeParts& created,
                               DateTimeParts& modified) const {
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME | STATX_CTIME, &info) != 0) {
        return false;
    }
    const time_t birth =
        (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : info.stx_ctime.tv_sec;
    created = LocalTime(birth);
    modified = LocalTime(info.stx_mtime.tv_sec);
    return true;
}

const RunEnvironment& RunEnvironment::Current() {
    if (const RunEnvironment* replaced = overridden.load()) {
        return *replaced;
    }
    static const RunEnvironment system;
    return system;
}

void RunEnvironment::Override(const RunEnvironment* environment) {
    overridden.store(environment);
}

std::string FormatTimestamp(const DateTimeParts& time) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", time.year + 1900,
                  time.month + 1, time.day, time.hour, time.minute, time.second);
    return buffer;
}
