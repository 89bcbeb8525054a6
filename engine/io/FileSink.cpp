#include "FileSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace Norvik {

namespace {

std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, ".%ld.%x.%x.tmp", static_cast<long>(getpid()), seed,
                  counter.fetch_add(1));
    return buffer;
}

int OpenDirect(const std::string& path, int& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    error = fd < 0 ? errno : 0;
    return fd;
}

}  // namespace

std::unique_ptr<FileSink> FileSink::Open(const std::string& path, Mode mode, int& error) {
    error = 0;
    if (path.empty()) {
        error = ENOENT;
        return nullptr;
    }
    std::unique_ptr<FileSink> sink(new FileSink);
    sink->target_ = path;

    sink->sync_ = mode == Mode::kReplace;
    const bool replace = mode != Mode::kDirect;

    struct stat st {};
    const bool exists = ::lstat(path.c_str(), &st) == 0;
    bool direct = !replace;
    if (replace && exists && S_ISLNK(st.st_mode)) {
        // Links into /dev and /proc (/dev/stdout, /proc/self/fd/N) name open
        // descriptors: whatever they lead to is written in place.
        char resolved[PATH_MAX];
        if (path.starts_with("/dev/") || path.starts_with("/proc/") ||
            ::realpath(path.c_str(), resolved) == nullptr || ::stat(resolved, &st) != 0) {
            direct = true;
        } else {
            sink->target_ = resolved;
        }
    }
    if (replace && exists && !S_ISREG(st.st_mode)) {
        direct = true;
    }

    if (!direct) {
        const std::string& target = sink->target_;
        const size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
        for (int attempt = 0; attempt < 16 && sink->fd_ < 0; ++attempt) {
            sink->temporary_ = folder + "." + base + UniqueSuffix();
            sink->fd_ =
                ::open(sink->temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (sink->fd_ < 0 && errno != EEXIST) {
                break;
            }
        }
        if (sink->fd_ >= 0) {
            if (exists) {
                // Keep the permissions of the file being replaced.
                (void)::fchmod(sink->fd_, st.st_mode & 07777);
            }
            return sink;
        }
        // The folder does not take new files (read-only, no permission): write
        // the target in place, as long as the target itself can be written.
        sink->temporary_.clear();
    }
    sink->fd_ = OpenDirect(sink->target_, error);
    if (sink->fd_ < 0) {
        return nullptr;
    }
    return sink;
}

std::unique_ptr<FileSink> FileSink::OpenStandardOutput(int& error) {
    error = 0;
    std::unique_ptr<FileSink> sink(new FileSink);
    sink->target_ = "-";
    sink->mayRemove_ = false;
    sink->fd_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (sink->fd_ < 0) {
        error = errno;
        return nullptr;
    }
    return sink;
}

FileSink::~FileSink() {
    if (!done_) {
        Discard();
    }
}

namespace {

std::atomic<int> faultError{0};
std::atomic<int64_t> faultBudget{0};

}  // namespace

void FileSink::FailWritesAfterForTesting(int64_t bytes, int errorCode) {
    faultBudget = bytes;
    faultError = errorCode;
}

bool FileSink::Write(std::string_view bytes) {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    if (const int fault = faultError.load()) {
        const int64_t allowed = faultBudget.fetch_sub(static_cast<int64_t>(bytes.size()));
        if (allowed < static_cast<int64_t>(bytes.size())) {
            WriteAll(bytes.data(), static_cast<size_t>(std::max<int64_t>(allowed, 0)));
            error_ = fault;
            return false;
        }
    }
    return WriteAll(bytes.data(), bytes.size());
}

bool FileSink::WriteAll(const char* p, size_t left) {
    while (left > 0) {
        const ssize_t written = ::write(fd_, p, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            error_ = errno;
            return false;
        }
        p += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

bool FileSink::CloseDescriptor() {
    if (fd_ < 0) {
        return true;
    }
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0 && errno != EINTR) {
        error_ = errno;
        return false;
    }
    return true;
}

bool FileSink::Commit() {
    if (done_) {
        return error_ == 0;
    }
    if (!temporary_.empty()) {
        if (sync_ && ::fsync(fd_) != 0) {
            error_ = errno;
            Discard();
            return false;
        }
        if (!CloseDescriptor() || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
            if (error_ == 0) {
                error_ = errno;
            }
            Discard();
            return false;
        }
    } else if (!CloseDescriptor()) {
        Discard();
        return false;
    }
    done_ = true;
    return true;
}

void FileSink::Discard() {
    done_ = true;
    const bool direct = temporary_.empty();
    bool regular = false;
    if (direct && fd_ >= 0 && mayRemove_) {
        // Only the regular file that was opened, under its own name: never a
        // link (such as /dev/stdout) to it, nor anything that replaced it.
        struct stat opened {};
        struct stat named {};
        regular = ::fstat(fd_, &opened) == 0 && S_ISREG(opened.st_mode) &&
                  ::lstat(target_.c_str(), &named) == 0 && S_ISREG(named.st_mode) &&
                  opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
    }
    const int savedError = error_;
    CloseDescriptor();
    error_ = savedError;
    if (!direct) {
        ::unlink(temporary_.c_str());
    } else if (regular) {
        ::unlink(target_.c_str());
    }
}

}  // namespace Norvik
