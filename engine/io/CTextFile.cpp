#include "CTextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "PositionalRead.h"
#include "base/ByteBlock.h"
#include "base/PlatformError.h"
#include "base/TextUtil.h"

#ifdef __SSE2__
#endif

namespace Norvik {

namespace {

constexpr size_t kDetectionSample = 8192;

// Windows-1252 bytes 0x80-0x9F; the five undefined bytes keep their C1 code
// points, as the system conversion does, so nothing is lost.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool AllAscii(std::string_view bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ull) {
            return false;
        }
        p += 8;
    }
    while (p < end) {
        if (static_cast<unsigned char>(*p++) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The first sequence from p on that is not UTF-8, or end. ASCII runs are
// skipped sixteen or eight bytes at a time; only the other sequences are
// decoded.
const char* FirstMalformedUtf8(const char* p, const char* end) {
    while (p < end) {
        if (end - p >= static_cast<std::ptrdiff_t>(ByteBlock::kSize)) {
            const unsigned high = ByteBlock(p).High();
            if (high == 0) {
                p += ByteBlock::kSize;
                continue;
            }
            p += __builtin_ctz(high);
        }
        if (end - p >= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        if (static_cast<unsigned char>(*p) < 0x80) {
            ++p;
            continue;
        }
        if (const size_t common = CommonUtf8Length(p, end)) {
            p += common;
            continue;
        }
        char32_t c;
        const size_t length = DecodeUtf8(p, end, c);
        if (length == 0) {
            return p;
        }
        p += length;
    }
    return end;
}

// Valid UTF-8, allowing one sequence cut off at the end of a sample.
bool LooksLikeUtf8(std::string_view sample, bool truncated) {
    const char* end = sample.data() + sample.size();
    const char* bad = FirstMalformedUtf8(sample.data(), end);
    return bad == end || (truncated && end - bad < 4 && static_cast<unsigned char>(*bad) >= 0xC2);
}

bool IsWide(int32_t codePage) {
    return codePage == CTextFile::kUtf16 || codePage == CTextFile::kUtf16BigEndian;
}

}  // namespace

CTextFile::CTextFile() = default;

CTextFile::~CTextFile() {
    Close();
}

bool CTextFile::Open(const std::string& path, bool detect) {
    Close();
    error_ = 0;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        Close();
        error_ = EISDIR;
        return false;
    }
    // Pipes cannot be read at a position; they read on in order.
    positional_ = ::lseek(fd_, 0, SEEK_CUR) >= 0;
    openedSize_ = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
    shrunk_ = false;
    // A small file needs no large block (it grows if the file does).
    size_t blockSize = blockSize_;
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) + 64 < blockSize) {
        blockSize = std::max<size_t>(static_cast<size_t>(st.st_size) + 64, 4096);
        blockSize = std::min(blockSize, blockSize_);
    }
    block_.resize(std::max<size_t>(blockSize, 16));
    readSize_ = block_.size();
    blockLength_ = 0;
    cursor_ = 0;
    blockStart_ = 0;
    endOfFile_ = false;
    lineNumber_ = 0;
    limit_ = -1;
    utf8From_ = utf8To_ = 0;
    if (detect) {
        DetectEncoding();
    }
    return true;
}

void CTextFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    blockLength_ = 0;
    cursor_ = 0;
}

int64_t CTextFile::GetSize() const {
    struct stat st {};
    return (fd_ >= 0 && ::fstat(fd_, &st) == 0) ? static_cast<int64_t>(st.st_size) : 0;
}

std::string CTextFile::ErrorText() const {
    return shrunk_ ? "The file became shorter while it was being read" : ErrnoText(error_);
}

int64_t CTextFile::GetModificationTime() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        return 0;
    }
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool CTextFile::Fill() {
    if (fd_ < 0 || endOfFile_) {
        return false;
    }
    if (cursor_ > 0) {
        std::memmove(block_.data(), block_.data() + cursor_, blockLength_ - cursor_);
        blockStart_ += static_cast<int64_t>(cursor_);
        blockLength_ -= cursor_;
        cursor_ = 0;
    }
    if (blockLength_ == block_.size()) {
        block_.resize(block_.size() * 2);  // a line longer than a block
    }
    // After a seek to a far position (a sort index reads rows in any order)
    // small reads serve one line; reads grow back while reading on in order.
    const size_t room = block_.size() - blockLength_;
    const size_t want = std::min(room, std::max(readSize_, size_t{16}));
    readSize_ = std::min(readSize_ * 2, block_.size());
    while (true) {
        char* into = block_.data() + blockLength_;
        const ssize_t got =
            positional_ ? ::pread(fd_, into, want, blockStart_ + static_cast<int64_t>(blockLength_))
                        : ::read(fd_, into, want);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error_ = errno;
            endOfFile_ = true;
            return false;
        }
        if (got == 0) {
            endOfFile_ = true;
            // The end before the size the file had when opened: it was cut
            // short (truncated or rewritten) while being read.
            if (positional_ && blockStart_ + static_cast<int64_t>(blockLength_) < openedSize_) {
                shrunk_ = true;
                error_ = EIO;
            }
            return false;
        }
        blockLength_ += static_cast<size_t>(got);
        return true;
    }
}

void CTextFile::DetectEncoding() {
    while (blockLength_ < kDetectionSample && Fill()) {
    }
    const std::string_view sample(block_.data(), std::min(blockLength_, kDetectionSample));
    if (sample.size() >= 2 && static_cast<unsigned char>(sample[0]) == 0xFF &&
        static_cast<unsigned char>(sample[1]) == 0xFE) {
        codePage_ = kUtf16;
    } else if (sample.size() >= 2 && static_cast<unsigned char>(sample[0]) == 0xFE &&
               static_cast<unsigned char>(sample[1]) == 0xFF) {
        codePage_ = kUtf16BigEndian;
    } else if (LooksLikeUtf8(sample, blockLength_ > sample.size() || !endOfFile_)) {
        // Seven-bit text is valid UTF-8 too, so UTF-7 never needs a test of its own.
        codePage_ = kUtf8;
    } else {
        codePage_ = kAnsi;
    }
}

bool CTextFile::Seek(int64_t position, size_t lengthHint) {
    if (fd_ < 0 || position < 0) {
        return false;
    }
    const int64_t blockEnd = blockStart_ + static_cast<int64_t>(blockLength_);
    if (position >= blockStart_ && position < blockEnd) {
        cursor_ = static_cast<size_t>(position - blockStart_);
    } else if (position == blockEnd) {
        cursor_ = blockLength_;
    } else {
        if (!positional_) {
            error_ = ESPIPE;
            return false;
        }
        // Reads are positional, so a seek only moves the window.
        blockStart_ = position;
        blockLength_ = 0;
        cursor_ = 0;
        endOfFile_ = false;
        readSize_ = lengthHint > 0 ? lengthHint : kSeekReadSize;
    }
    lineNumber_ = position == 0 ? 0 : -1;
    return true;
}

bool CTextFile::ReadAt(int64_t position, char* into, size_t length, size_t& got) {
    const int error = ReadFully(fd_, position, into, length, got);
    if (error != 0) {
        error_ = error;
        return false;
    }
    return true;
}

bool CTextFile::AppendBytes(int64_t position, std::string& into) {
    const int64_t end = Tell();
    if (fd_ < 0 || position < 0 || end < position) {
        return false;
    }
    const auto length = static_cast<size_t>(end - position);
    if (position >= blockStart_) {
        into.append(block_.data() + (position - blockStart_), length);
        return true;
    }
    // The record began in an earlier block.
    const size_t at = into.size();
    into.resize(at + length);
    size_t got = 0;
    if (!ReadAt(position, into.data() + at, length, got) || got != length) {
        into.resize(at);
        return false;
    }
    return true;
}

void CTextFile::SeekToCopy(int64_t position, std::string_view bytes) {
    if (block_.size() < bytes.size()) {
        block_.resize(bytes.size());
    }
    std::memcpy(block_.data(), bytes.data(), bytes.size());
    blockStart_ = position;
    blockLength_ = bytes.size();
    cursor_ = 0;
    endOfFile_ = false;
    readSize_ = kSeekReadSize;
    lineNumber_ = position == 0 ? 0 : -1;
}

namespace {

// The offset of the LF that ends the line starting at cursor in block (whose
// first byte lies at blockStart in the file); npos when block holds none.
size_t FindLineEnd(std::string_view block, size_t cursor, int64_t blockStart, bool wide,
                   bool bigEndian) {
    for (size_t from = cursor; from < block.size();) {
        const void* hit = std::memchr(block.data() + from, '\n', block.size() - from);
        if (!hit) {
            break;
        }
        const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - block.data());
        from = at + 1;
        if (!wide) {
            return at;
        }
        // In UTF-16 the LF byte must be the low byte of a whole unit.
        const int64_t offset = blockStart + static_cast<int64_t>(at);
        if (!bigEndian && offset % 2 == 0 && at + 1 < block.size() && block[at + 1] == 0) {
            return at;
        }
        if (bigEndian && offset % 2 == 1 && at > cursor && block[at - 1] == 0) {
            return at - 1;
        }
    }
    return std::string_view::npos;
}

// The line without its trailing CR and LF units.
std::string_view WithoutLineEnd(std::string_view bytes, bool wide, bool bigEndian) {
    const size_t unit = wide ? 2 : 1;
    while (bytes.size() >= unit) {
        const char last = bigEndian ? bytes[bytes.size() - 1] : bytes[bytes.size() - unit];
        const bool zeroHigh =
            !wide || (bigEndian ? bytes[bytes.size() - 2] == 0 : bytes[bytes.size() - 1] == 0);
        if (!zeroHigh || (last != '\r' && last != '\n')) {
            break;
        }
        bytes.remove_suffix(unit);
    }
    return bytes;
}

}  // namespace

CTextFile::LineStatus CTextFile::ReadLine(std::string_view& line, size_t maxChars) {
    line = {};
    if (fd_ < 0) {
        return LineStatus::kEnd;
    }
    const bool wide = IsWide(codePage_);
    const bool bigEndian = codePage_ == kUtf16BigEndian;
    const size_t unit = wide ? 2 : 1;
    // No line of fewer than maxChars UTF-16 units takes more bytes than this.
    const size_t maxBytes = maxChars * 4 + 8;
    bool skipping = false;

    while (true) {
        if (limit_ >= 0 && Tell() >= limit_) {
            return LineStatus::kEnd;
        }
        if (Tell() == 0) {
            SkipByteOrderMark();
        }
        const size_t end = FindLineEnd(std::string_view(block_.data(), blockLength_), cursor_,
                                       blockStart_, wide, bigEndian);
        std::string_view bytes;
        if (end != std::string_view::npos) {
            bytes = std::string_view(block_.data() + cursor_, end - cursor_);
            cursor_ = end + unit;
        } else {
            if (blockLength_ - cursor_ > maxBytes) {
                skipping = true;  // far too long: drop bytes until the line ends
                cursor_ = blockLength_ - (wide ? (blockLength_ - cursor_) % 2 : 0);
            }
            if (Fill()) {
                continue;
            }
            if (error_ != 0) {
                return LineStatus::kReadError;
            }
            if (cursor_ >= blockLength_) {
                if (skipping) {
                    if (lineNumber_ >= 0) {
                        ++lineNumber_;
                    }
                    return LineStatus::kTooLong;
                }
                return LineStatus::kEnd;
            }
            size_t length = blockLength_ - cursor_;
            length -= wide ? length % 2 : 0;
            bytes = std::string_view(block_.data() + cursor_, length);
            cursor_ = blockLength_;
        }
        if (lineNumber_ >= 0) {
            ++lineNumber_;
        }
        if (skipping) {
            return LineStatus::kTooLong;
        }
        const std::string_view body = WithoutLineEnd(bytes, wide, bigEndian);
        // Where the line end lies, for LineEnd.
        strippedEnd_ = bytes.substr(body.size());
        endsWithLf_ = end != std::string_view::npos;
        if (body.empty() && !keepEmptyLines_) {
            continue;
        }
        return ConvertLine(body, maxChars, line) ? LineStatus::kLine : LineStatus::kTooLong;
    }
}

std::string_view CTextFile::LineEnd() {
    if (!IsWide(codePage_)) {
        // The CRs and the LF lie together in the block.
        return std::string_view(strippedEnd_.data(), strippedEnd_.size() + (endsWithLf_ ? 1 : 0));
    }
    wideLineEnd_.clear();
    for (size_t i = 0; i + 1 < strippedEnd_.size(); i += 2) {
        // Every unit stripped is a CR or an LF, whichever byte holds it.
        wideLineEnd_ += strippedEnd_[i] != 0 ? strippedEnd_[i] : strippedEnd_[i + 1];
    }
    if (endsWithLf_) {
        wideLineEnd_ += '\n';
    }
    return wideLineEnd_;
}

void CTextFile::SkipByteOrderMark() {
    const bool wide = IsWide(codePage_);
    while (blockLength_ < 3 && Fill()) {
    }
    const auto* b = reinterpret_cast<const unsigned char*>(block_.data());
    if (wide && blockLength_ >= 2 &&
        ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        cursor_ = 2;
    } else if (!wide && blockLength_ >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        cursor_ = 3;
    }
}

bool CTextFile::ConvertLine(std::string_view bytes, size_t maxChars, std::string_view& line) {
    if (IsWide(codePage_)) {
        return ConvertUtf16(bytes, maxChars, line);
    }
    if (codePage_ == kUtf8 && bytes.size() < maxChars && KnownUtf8(bytes)) {
        line = bytes;
        return true;
    }
    if (AllAscii(bytes)) {
        if (bytes.size() >= maxChars) {
            return false;
        }
        line = bytes;
        return true;
    }
    if (codePage_ == kAnsi) {
        return ConvertAnsi(bytes, maxChars, line);
    }
    return ConvertUtf8(bytes, maxChars, line);
}

bool CTextFile::KnownUtf8(std::string_view bytes) {
    const char* const blockBegin = block_.data();
    const char* const blockEnd = blockBegin + blockLength_;
    if (bytes.data() < blockBegin || bytes.data() + bytes.size() > blockEnd) {
        return false;
    }
    const int64_t from = blockStart_ + (bytes.data() - blockBegin);
    const int64_t to = from + static_cast<int64_t>(bytes.size());
    if (from >= utf8From_ && to <= utf8To_) {
        return true;
    }
    // A sequence cut off at the end of the block stops the check before it;
    // the line holding it is checked again once the block holds all of it.
    const char* const bad = FirstMalformedUtf8(bytes.data(), blockEnd);
    utf8From_ = from;
    utf8To_ = blockStart_ + (bad - blockBegin);
    return to <= utf8To_;
}

bool CTextFile::ConvertUtf16(std::string_view bytes, size_t maxChars, std::string_view& line) {
    const bool bigEndian = codePage_ == kUtf16BigEndian;
    const size_t units = bytes.size() / 2;
    if (units >= maxChars) {
        return false;
    }
    converted_.clear();
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    auto unitAt = [&](size_t k) -> char32_t {
        return bigEndian ? (b[2 * k] << 8) | b[2 * k + 1] : b[2 * k] | (b[2 * k + 1] << 8);
    };
    for (size_t i = 0; i < units; ++i) {
        char32_t c = unitAt(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
            const char32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                c = kReplacementChar;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacementChar;
        }
        AppendUtf8(converted_, c);
    }
    line = converted_;
    return true;
}

bool CTextFile::ConvertAnsi(std::string_view bytes, size_t maxChars, std::string_view& line) {
    if (bytes.size() >= maxChars) {
        return false;
    }
    converted_.clear();
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b < 0x80) {
            converted_ += byte;
        } else {
            AppendUtf8(converted_, b < 0xA0 ? kCp1252High[b - 0x80] : b);
        }
    }
    line = converted_;
    return true;
}

bool CTextFile::ConvertUtf8(std::string_view bytes, size_t maxChars, std::string_view& line) {
    const bool malformed = FirstMalformedUtf8(bytes.data(), bytes.data() + bytes.size()) !=
                           bytes.data() + bytes.size();
    // Units never exceed bytes, so only long lines need a count.
    if (bytes.size() >= maxChars) {
        size_t units = 0;
        for (size_t pos = 0; pos < bytes.size();) {
            const char32_t c = NextCodePoint(bytes, pos);
            units += c >= 0x10000 ? 2 : 1;
        }
        if (units >= maxChars) {
            return false;
        }
    }
    if (!malformed) {
        line = bytes;  // a line is rebuilt only when something is malformed
        return true;
    }
    converted_.clear();
    for (size_t pos = 0; pos < bytes.size();) {
        AppendUtf8(converted_, NextCodePoint(bytes, pos));
    }
    line = converted_;
    return true;
}

std::string CTextFile::DecodeText(std::string_view bytes) {
    CTextFile decoder;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        decoder.codePage_ = b[0] == 0xFF ? kUtf16 : kUtf16BigEndian;
        bytes.remove_prefix(2);
        bytes.remove_suffix(bytes.size() % 2);
    } else {
        if (bytes.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
            bytes.remove_prefix(3);
        }
        decoder.codePage_ = LooksLikeUtf8(bytes, false) ? kUtf8 : kAnsi;
    }
    std::string_view text;
    decoder.ConvertLine(bytes, static_cast<size_t>(-1), text);
    return std::string(text);
}

}  // namespace Norvik
