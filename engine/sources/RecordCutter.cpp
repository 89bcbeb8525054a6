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
                           const DelimitedFieldSplitter* quotes, size_t rangeBytes)
    : quoted_(quotes != nullptr),
      rangeBytes_(rangeBytesForTesting > 0 ? rangeBytesForTesting.load()
                                           : std::max<size_t>(rangeBytes, 1)),
      bufferStart_(begin),
      position_(begin),
      lines_(linesBefore),
      linesAtPosition_(linesBefore) {
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
