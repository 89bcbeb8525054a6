#pragma once

#include <pwd.h>
#include <unistd.h>

#include <string>
#include <vector>

// The name of the account the process runs as, from the password database
// (at most 256 characters); empty when the account has no entry there.
// Header only: the runner, which links nothing of the engine, logs it too.
inline std::string AccountName() {
    std::string name;
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name) {
        name = found->pw_name;
    }
    if (name.size() > 256) {
        name.resize(256);
    }
    return name;
}
