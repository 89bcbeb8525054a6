#include "RunLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

#include "base/AccountName.h"

namespace {

std::string Timestamp() {
    const time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

bool WriteAll(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        p += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

RunLog::RunLog(std::string defaultPath, std::string path, std::string version)
    : defaultPath_(std::move(defaultPath)), path_(std::move(path)), version_(std::move(version)) {}

std::string RunLog::UserName() {
    return AccountName();
}

std::string RunLog::OneLine(const std::string& message) {
    std::string line;
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
            line += ". ";
            ++i;
        } else if (message[i] == '\r' || message[i] == '\n') {
            line += ' ';
        } else {
            line += message[i];
        }
    }
    return line;
}

bool RunLog::Append(const std::string& path, const std::string& line) {
    struct stat st {};
    const bool existed = ::stat(path.c_str(), &st) == 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    std::string text;
    if (!existed) {
        text += "#Software: DVRun - Tarnwright Datavane command line utility\n";
        text += "#Version: " + version_ + "\n";
        text += "#Date: " + Timestamp() + "\n";
        text += "#Fields: Date Time Type (User) Code (Message)\n";
    }
    text += line;
    // One write: runners sharing a log append whole entries.
    const bool written = WriteAll(fd, text);
    ::close(fd);
    return written;
}

void RunLog::Write(const std::string& message, int32_t code) {
    const std::string line = Timestamp() + " " + (code != 0 ? "Error" : "Info") + " (" +
                             UserName() + ") " + std::to_string(code) + " (" + OneLine(message) +
                             ")\n";
    if (!path_.empty()) {
        if (Append(path_, line)) {
            return;
        }
        const std::string failed = path_;
        path_.clear();  // later entries go to the default log too
        Write("Cannot open/create log file: " + failed, -2);
    }
    Append(defaultPath_, line);
}
