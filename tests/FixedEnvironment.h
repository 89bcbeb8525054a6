#pragma once

#include "base/RunEnvironment.h"

namespace testsupport {

// A clock, user and file times that do not move; installed for its lifetime.
class FixedEnvironment : public RunEnvironment {
public:
    FixedEnvironment() { RunEnvironment::Override(this); }
    ~FixedEnvironment() override { RunEnvironment::Override(nullptr); }

    DateTimeParts LocalNow() const override { return now; }
    std::string UserName() const override { return user; }
    bool FileTimes(const std::string& path, DateTimeParts& created,
                   DateTimeParts& modified) const override {
        if (!RunEnvironment::FileTimes(path, created, modified)) {
            return false;
        }
        created = fileCreated;
        modified = fileModified;
        return true;
    }

    DateTimeParts now = Make(2004, 5, 6, 7, 8, 9);
    DateTimeParts fileCreated = Make(2001, 2, 3, 4, 5, 6);
    DateTimeParts fileModified = Make(2002, 12, 31, 23, 59, 58);
    std::string user = "tester";

    static DateTimeParts Make(int y, int mo, int d, int h, int mi, int s) {
        DateTimeParts p;
        p.year = y - 1900;
        p.month = mo - 1;
        p.day = d;
        p.hour = h;
        p.minute = mi;
        p.second = s;
        return p;
    }
};

}  // namespace testsupport
