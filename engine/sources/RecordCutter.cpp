#include "RecordCutter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

std::atomic<size_t> rangeBytesForTesting{0};

// Reads at least this much at a time, however small the ranges.
constexpr size_t kReadBytes = size_t{1} << 16;
// A line longer than this fails any reader: its bytes need not be kept.
constexpr size_t kMaxLineBytes = size_t{1} << 20;

}  // namespace

RecordCutter::RecordCutter(const std::string& path, int64_t begin, int64_t linesBefore,
                           const DelimitedFieldSplitter* quotes, size_t rangeBytes, bool countLines)
    : quoted_(quotes != nullptr),
      rangeBytes_(rangeBytesForTesting > 0 ? rangeBytesForTesting.load()
                                           : std::max<size_t>(rangeBytes, 1)),
      bufferStart_(begin),
      position_(begin),
      lines_(linesBefore),
      linesAtPosition_(linesBefore),
      jumps_(!quotes && !countLines) {
    if (quotes) {
        splitter_ = *quotes;
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
    }
}

RecordCutter::~RecordCutter() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool RecordCutter::NextByJumping(Range& range) {
    char probe[1];
    ssize_t got = 0;
    do {
        got = ::pread(fd_, probe, 1, position_);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        error_ = got < 0 ? errno : 0;
        return false;  // nothing is left
    }
    range.begin = position_;
    range.linesBefore = linesAtPosition_;
    linesAtPosition_ = kLinesNotCounted;
    // The range ends after the first LF from its last byte on.
    int64_t at = position_ + static_cast<int64_t>(rangeBytes_) - 1;
    buffer_.resize(kReadBytes);
    for (;;) {
        got = ::pread(fd_, buffer_.data(), buffer_.size(), at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error_ = errno;
            return false;
        }
        if (got == 0) {
            // The rest of the file, however long it has grown by now.
            range.end = kToTheEnd;
            position_ = -1;
            return true;
        }
        const auto* lf =
            static_cast<const char*>(std::memchr(buffer_.data(), '\n', static_cast<size_t>(got)));
        if (lf) {
            range.end = position_ = at + (lf - buffer_.data()) + 1;
            return true;
        }
        at += got;
    }
}

int64_t RecordCutter::CountLines(const std::string& path, int64_t position) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    std::vector<char> buffer(size_t{1} << 20);
    int64_t lines = 0;
    int64_t at = 0;
    while (at < position) {
        const auto want = static_cast<size_t>(
            std::min<int64_t>(position - at, static_cast<int64_t>(buffer.size())));
        const ssize_t got = ::pread(fd, buffer.data(), want, at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        lines += std::count(buffer.data(), buffer.data() + got, '\n');
        at += got;
    }
    ::close(fd);
    return at == position ? lines : -1;
}

void RecordCutter::SetRangeBytesForTesting(size_t bytes) {
    rangeBytesForTesting = bytes;
}

bool RecordCutter::Read() {
    if (fd_ < 0 || finished_) {
        return false;
    }
    if (lineStart_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + lineStart_, length_ - lineStart_);
        length_ -= lineStart_;
        searched_ -= lineStart_;
        bufferStart_ += static_cast<int64_t>(lineStart_);
        lineStart_ = 0;
    }
    const size_t want = std::max(rangeBytes_, kReadBytes);
    if (buffer_.size() < length_ + want) {
        buffer_.resize(length_ + want);
    }
    while (true) {
        const ssize_t got = ::pread(fd_, buffer_.data() + length_, want,
                                    bufferStart_ + static_cast<int64_t>(length_));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error_ = got < 0 ? errno : 0;
            finished_ = true;
            return false;
        }
        length_ += static_cast<size_t>(got);
        return true;
    }
}

void RecordCutter::FollowLine(const char* begin, const char* end) {
    // The reader sees lines without their CRs.
    while (end > begin && end[-1] == '\r') {
        --end;
    }
    const std::string_view line(begin, static_cast<size_t>(end - begin));
    if (inRecord_) {
        inRecord_ = splitter_.ContinueRecord(line);
    } else if (!line.empty()) {
        inRecord_ = splitter_.StartRecord(line);
    }
}

bool RecordCutter::StepLine() {
    const char* const base = buffer_.data();
    const auto* lf =
        searched_ < length_
            ? static_cast<const char*>(std::memchr(base + searched_, '\n', length_ - searched_))
            : nullptr;
    if (!lf) {
        searched_ = length_;
        if (length_ - lineStart_ > kMaxLineBytes) {
            overlong_ = true;
            lineStart_ = searched_ = length_;
        }
        return false;
    }
    if (overlong_) {
        // The reader fails on this line: where records stand after it does
        // not matter.
        overlong_ = false;
        inRecord_ = false;
    } else if (quoted_) {
        FollowLine(base + lineStart_, lf);
    }
    ++lines_;
    lineStart_ = searched_ = static_cast<size_t>(lf - base) + 1;
    return true;
}

bool RecordCutter::Next(Range& range) {
    if (error_ != 0 || fd_ < 0 || position_ < 0) {
        return false;
    }
    if (jumps_) {
        return NextByJumping(range);
    }
    const int64_t target = position_ + static_cast<int64_t>(rangeBytes_);
    range.begin = position_;
    range.linesBefore = linesAtPosition_;
    do {
        while (StepLine()) {
            const int64_t lineEnd = bufferStart_ + static_cast<int64_t>(lineStart_);
            if (!inRecord_ && lineEnd >= target) {
                range.end = position_ = lineEnd;
                linesAtPosition_ = lines_;
                return true;
            }
        }
    } while (Read());
    if (error_ != 0) {
        return false;
    }
    // The rest of the file, whatever it holds.
    const int64_t end = bufferStart_ + static_cast<int64_t>(length_);
    const int64_t begin = position_;
    position_ = -1;
    if (end <= begin) {
        return false;
    }
    range.end = end;
    return true;
}
