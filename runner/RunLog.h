#pragma once

#include <cstdint>
#include <string>

// The runner's log: one line per entry, appended (and the four header lines
// first when the file is new). A log path that cannot be opened is noted in
// the default log, which then takes every later entry.
class RunLog {
public:
    RunLog(std::string defaultPath, std::string path, std::string version);

    void Write(const std::string& message, int32_t code);

    // The effective user's login name (at most 256 characters).
    static std::string UserName();
    // Line breaks become ". " (CR LF) or a space, so an entry stays one line.
    static std::string OneLine(const std::string& message);

private:
    bool Append(const std::string& path, const std::string& line);

    std::string defaultPath_;
    std::string path_;
    std::string version_;
};
