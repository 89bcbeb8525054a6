#include "TemporaryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "PositionalRead.h"
#include "SpillSettings.h"
#include "base/PlatformError.h"

namespace Norvik {

namespace {

constexpr size_t kBufferSize = size_t{1} << 20;
// A multiple of every file system's block size.
constexpr int64_t kReleaseBlock = int64_t{1} << 16;

std::atomic<int64_t> failAfter{-1};
std::atomic<int> failError{0};

}  // namespace

void TemporaryFile::FailWritesAfterForTesting(int64_t bytes, int errorCode) {
    failError = errorCode;
    failAfter = errorCode == 0 ? -1 : bytes;
}

void TemporaryFile::Fail(const char* what, int error) {
    throw PlatformError(CodeFromErrno(error), std::string(what) + " a temporary file in " +
                                                  SpillSettings::Folder() + ": " +
                                                  ErrnoText(error));
}

TemporaryFile::TemporaryFile() {
    const std::string folder = SpillSettings::Folder();
    // O_TMPFILE never has a name; where the file system lacks it, a named
    // file is unlinked at once.
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        std::string pattern = folder + "/datavane-spill.XXXXXX";
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) {
            Fail("Creating", errno);
        }
        ::unlink(pattern.c_str());
    }
    buffer_.reserve(kBufferSize);
}

TemporaryFile::~TemporaryFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void TemporaryFile::Append(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) {
        Flush();
    }
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferSize) {
        Flush();
    }
    size_ += static_cast<int64_t>(bytes.size());
}

void TemporaryFile::Flush() {
    const char* p = buffer_.data();
    size_t left = buffer_.size();
    int64_t at = flushed_;
    while (left > 0) {
        int64_t budget = failAfter.load();
        if (budget >= 0) {
            if (budget < static_cast<int64_t>(left)) {
                failAfter = 0;
                buffer_.clear();
                Fail("Writing", failError.load());
            }
            failAfter = budget - static_cast<int64_t>(left);
        }
        const ssize_t written = ::pwrite(fd_, p, left, at);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            buffer_.clear();
            Fail("Writing", error);
        }
        p += written;
        at += written;
        left -= static_cast<size_t>(written);
    }
    flushed_ = at;
    buffer_.clear();
}

int64_t TemporaryFile::Release(int64_t begin, int64_t end) const noexcept {
    // Whole blocks only: a partial one would be zeroed, and its other part
    // may belong to a neighbour.
    const int64_t first = (begin + kReleaseBlock - 1) / kReleaseBlock * kReleaseBlock;
    const int64_t last = std::min(end, flushed_) / kReleaseBlock * kReleaseBlock;
    if (last <= first) {
        return begin;
    }
    static_cast<void>(
        ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, first, last - first));
    return last;
}

size_t TemporaryFile::ReadAt(int64_t position, char* into, size_t length) const {
    size_t got = 0;
    if (const int error = ReadFully(fd_, position, into, length, got)) {
        Fail("Reading", error);
    }
    return got;
}

}  // namespace Norvik
