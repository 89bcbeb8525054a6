#include "PartFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

#include "base/PlatformError.h"
#include "base/ResultCode.h"

namespace {

constexpr std::string_view kMagic = "datavane-part";

void AppendVarint(std::string& out, uint64_t value) {
    while (value >= 0x80) {
        out += static_cast<char>((value & 0x7f) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

bool ReadVarint(std::string_view in, size_t& at, uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64 && at < in.size(); shift += 7) {
        const auto byte = static_cast<unsigned char>(in[at++]);
        value |= static_cast<uint64_t>(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base = 10) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

[[noreturn]] void ThrowErrno(const std::string& what, int error) {
    throw Norvik::PlatformError(Norvik::CodeFromErrno(error),
                                what + ": " + Norvik::ErrnoText(error));
}

}  // namespace

void PartChecksum::Mix(uint64_t word) noexcept {
    state_ ^= word;
    state_ *= 0x100000001b3ULL;
    state_ ^= state_ >> 29;
}

void PartChecksum::Add(std::string_view bytes) {
    length_ += bytes.size();
    size_t at = 0;
    if (tailSize_ > 0) {
        while (tailSize_ < 8 && at < bytes.size()) {
            tail_[tailSize_++] = static_cast<unsigned char>(bytes[at++]);
        }
        if (tailSize_ < 8) {
            return;
        }
        uint64_t word = 0;
        std::memcpy(&word, tail_, 8);
        Mix(word);
        tailSize_ = 0;
    }
    for (; at + 8 <= bytes.size(); at += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bytes.data() + at, 8);
        Mix(word);
    }
    for (; at < bytes.size(); ++at) {
        tail_[tailSize_++] = static_cast<unsigned char>(bytes[at]);
    }
}

uint64_t PartChecksum::Value() const {
    PartChecksum last = *this;
    uint64_t word = 0;
    std::memcpy(&word, tail_, tailSize_);
    last.Mix(word);
    last.Mix(length_);
    return last.state_;
}

std::string PartHeader::Text() const {
    char checksumText[17];
    char fingerprintText[17];
    std::snprintf(checksumText, sizeof checksumText, "%016llx",
                  static_cast<unsigned long long>(checksum));
    std::snprintf(fingerprintText, sizeof fingerprintText, "%016llx",
                  static_cast<unsigned long long>(fingerprint));
    std::string text = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    text += "fingerprint " + std::string(fingerprintText) + "\n";
    text += "part " + std::to_string(index) + " " + std::to_string(parts) + "\n";
    text += "rows " + std::to_string(rows) + "\n";
    text += "bytes " + std::to_string(bytes) + "\n";
    text += "marks " + std::to_string(markBytes) + "\n";
    text += "head " + std::string(head ? "1" : "0") + "\n";
    text += "documents " + std::to_string(documents) + "\n";
    text += "encoding " + encoding + "\n";
    text += "checksum " + std::string(checksumText) + "\n";
    // Padding up to the fixed size: the header is written last, in place.
    text.resize(kHeaderBytes - 1, ' ');
    return text + '\n';
}

bool PartHeader::Parse(std::string_view text) {
    int fields = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const size_t space = line.find(' ');
        if (line.find_first_not_of(' ') == std::string_view::npos) {
            continue;
        }
        if (space == std::string_view::npos) {
            return false;
        }
        const std::string_view key = line.substr(0, space);
        const std::string_view value = line.substr(space + 1);
        bool ok = true;
        if (fields == 0) {
            int32_t version = 0;
            ok = key == kMagic && ParseNumber(value, version) && version == kVersion;
        } else if (key == "fingerprint") {
            ok = ParseNumber(value, fingerprint, 16);
        } else if (key == "part") {
            const size_t between = value.find(' ');
            ok = between != std::string_view::npos &&
                 ParseNumber(value.substr(0, between), index) &&
                 ParseNumber(value.substr(between + 1), parts);
        } else if (key == "rows") {
            ok = ParseNumber(value, rows);
        } else if (key == "bytes") {
            ok = ParseNumber(value, bytes);
        } else if (key == "marks") {
            ok = ParseNumber(value, markBytes);
        } else if (key == "head") {
            ok = value == "0" || value == "1";
            head = value == "1";
        } else if (key == "documents") {
            ok = ParseNumber(value, documents) && documents >= -1;
        } else if (key == "encoding") {
            encoding.assign(value);
        } else if (key == "checksum") {
            ok = ParseNumber(value, checksum, 16);
        }
        if (!ok) {
            return false;
        }
        ++fields;
    }
    return fields == 10 && parts > 0 && index >= 0 && index < parts && rows >= 0 && bytes >= 0 &&
           markBytes >= 0;
}

PartFileWriter::PartFileWriter(std::string path) : path_(std::move(path)) {
    // A name of its own beside the target: parts of one run may be written
    // into one folder at once, by many machines.
    temporary_ = path_ + ".tmp-XXXXXX";
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0) {
        const int error = errno;
        temporary_.clear();
        ThrowErrno("Creating " + path_, error);
    }
    ::fchmod(fd_, 0644);
    WriteAll(std::string(PartHeader::kHeaderBytes, ' '), 0);
}

PartFileWriter::~PartFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

void PartFileWriter::WriteAll(std::string_view bytes, int64_t at) {
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd_, bytes.data(), bytes.size(), at);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            ThrowErrno("Writing " + path_, written < 0 ? errno : ENOSPC);
        }
        bytes.remove_prefix(static_cast<size_t>(written));
        at += written;
    }
}

void PartFileWriter::Write(const OutputDocument::Piece& piece) {
    for (const auto& [offset, row] : piece.rows) {
        const int64_t at = bytes_ + offset;
        AppendVarint(marks_, static_cast<uint64_t>(at - lastMark_));
        lastMark_ = at;
        ++rows_;
    }
    const std::string_view bytes(piece.bytes.data(), piece.bytes.size());
    WriteAll(bytes, static_cast<int64_t>(PartHeader::kHeaderBytes) + bytes_);
    checksum_.Add(bytes);
    bytes_ += static_cast<int64_t>(bytes.size());
}

void PartFileWriter::Commit(PartHeader header) {
    checksum_.Add(marks_);
    WriteAll(marks_, static_cast<int64_t>(PartHeader::kHeaderBytes) + bytes_);
    (header.documents >= 0 ? header.documents : header.rows) = rows_;
    header.bytes = bytes_;
    header.markBytes = static_cast<int64_t>(marks_.size());
    header.checksum = checksum_.Value();
    WriteAll(header.Text(), 0);
    if (::close(std::exchange(fd_, -1)) != 0) {
        ThrowErrno("Closing " + path_, errno);
    }
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
        ThrowErrno("Renaming " + temporary_ + " to " + path_, errno);
    }
    temporary_.clear();
}

PartFileReader::~PartFileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Status PartFileReader::Damaged(const std::string& why) const {
    return {kParts, "The part file " + path_ + " " + why};
}

Status PartFileReader::Open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        return Damaged("cannot be read: " + Norvik::ErrnoText(errno));
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        return Damaged("is not a regular file");
    }
    std::string text(PartHeader::kHeaderBytes, '\0');
    const ssize_t got = ::pread(fd_, text.data(), text.size(), 0);
    if (got != static_cast<ssize_t>(text.size()) || !header_.Parse(text)) {
        return Damaged("is not a part file of this version, or its header is damaged");
    }
    const int64_t expected =
        static_cast<int64_t>(PartHeader::kHeaderBytes) + header_.bytes + header_.markBytes;
    if (st.st_size != expected) {
        return Damaged("is damaged: it holds " + std::to_string(st.st_size) +
                       " bytes where its header promises " + std::to_string(expected));
    }
    marks_.resize(static_cast<size_t>(header_.markBytes));
    const int64_t marksAt = static_cast<int64_t>(PartHeader::kHeaderBytes) + header_.bytes;
    if (::pread(fd_, marks_.data(), marks_.size(), marksAt) !=
        static_cast<ssize_t>(marks_.size())) {
        return Damaged("cannot be read: " + Norvik::ErrnoText(errno));
    }
    uint64_t first = 0;
    nextMark_ = header_.Marks() > 0 && ReadVarint(marks_, markAt_, first)
                    ? static_cast<int64_t>(first)
                    : -1;
    if (header_.Marks() > 0 && nextMark_ < 0) {
        return Damaged("is damaged: its row offsets cannot be read");
    }
    return kSuccess;
}

Status PartFileReader::Next(OutputDocument::Piece& piece, bool& more) {
    const int64_t left = header_.bytes - read_;
    const size_t size = static_cast<size_t>(std::min<int64_t>(left, kChunkBytes));
    piece.bytes.resize(size);
    piece.rows.clear();
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(
            fd_, piece.bytes.data() + done, size - done,
            static_cast<int64_t>(PartHeader::kHeaderBytes) + read_ + static_cast<int64_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return Damaged("cannot be read: " +
                           (got < 0 ? Norvik::ErrnoText(errno) : std::string("it ends early")));
        }
        done += static_cast<size_t>(got);
    }
    const int64_t chunkEnd = read_ + static_cast<int64_t>(size);
    more = chunkEnd < header_.bytes;
    // Rows that wrote nothing at the very end begin where the bytes end.
    while (nextMark_ >= 0 && (nextMark_ < chunkEnd || (!more && nextMark_ == chunkEnd))) {
        ++markedRows_;
        piece.rows.emplace_back(nextMark_ - read_, static_cast<int32_t>(markedRows_));
        uint64_t delta = 0;
        if (markedRows_ < header_.Marks() && ReadVarint(marks_, markAt_, delta)) {
            nextMark_ += static_cast<int64_t>(delta);
        } else {
            nextMark_ = -1;
        }
    }
    checksum_.Add(std::string_view(piece.bytes.data(), size));
    read_ = chunkEnd;
    if (!more) {
        checksum_.Add(marks_);
        if (checksum_.Value() != header_.checksum) {
            return Damaged("is damaged: its checksum does not match its bytes");
        }
        if (markedRows_ != header_.Marks()) {
            return Damaged("is damaged: its row offsets do not match its rows");
        }
    }
    return kSuccess;
}
