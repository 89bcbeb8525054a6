#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Norvik {

// Reads a text file line by line as UTF-8, whatever its encoding: UTF-16
// (little- or big-endian, by byte order mark), UTF-8, or Windows-1252 for
// files that are not valid UTF-8. Reads in large blocks; a line is handed out
// as a view that stays valid until the next read or seek.
//
// Lines end at LF; trailing CR and LF are removed and empty lines are skipped.
// A byte order mark at the start of the file is never part of a line.
// Malformed UTF-8 and unpaired UTF-16 surrogates read as U+FFFD.
class CTextFile {
public:
    // Code pages, with the values stored definitions know.
    enum CodePage : int32_t {
        kAnsi = 0,  // Windows-1252
        kUtf8 = 65001,
        kUtf16 = -1,  // little-endian
        kUtf16BigEndian = -2,
    };
    enum class LineStatus { kLine, kEnd, kTooLong, kReadError };

    static constexpr size_t kDefaultMaxChars = 0x10000;
    static constexpr size_t kBlockSize = 1 << 20;
    static constexpr size_t kSeekReadSize = 4096;

    CTextFile();
    ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // Opens for reading (closing any open file). With detect set the encoding
    // is taken from the file's first 8 KiB: a UTF-16 byte order mark, else
    // UTF-8 when the bytes are valid UTF-8, else Windows-1252; otherwise the
    // code page stays as set. False when the file cannot be opened (Error()
    // then holds the errno) or is a directory.
    bool Open(const std::string& path, bool detect = true);
    bool IsOpen() const noexcept { return fd_ >= 0; }
    // Whether reads can start anywhere (a regular file, not a pipe).
    bool CanSeek() const noexcept { return fd_ >= 0 && positional_; }
    void Close();

    // The next non-empty line. kTooLong: the line needs maxChars UTF-16 units
    // or more; it is skipped whole and the next call reads the line after it.
    LineStatus ReadLine(std::string_view& line, size_t maxChars = kDefaultMaxChars);
    // The CR and LF that ended the line ReadLine gave last, as UTF-8 ("\n",
    // "\r\n", …; empty for a last line without them); valid as long as the
    // line is.
    std::string_view LineEnd();
    // Whether ReadLine gives empty lines too (a record whose quoted field
    // runs on across lines keeps them); off at first.
    void SetKeepEmptyLines(bool on) noexcept { keepEmptyLines_ = on; }

    // Byte positions: Tell is where the next line starts. A seek's length
    // hint (the bytes the caller expects to read there) sizes the first read.
    int64_t Tell() const noexcept { return blockStart_ + static_cast<int64_t>(cursor_); }
    bool Seek(int64_t position, size_t lengthHint = 0);

    // Appends the raw bytes from position up to Tell() to into, as kept for
    // SeekToCopy; false (into unchanged) when they cannot be read.
    bool AppendBytes(int64_t position, std::string& into);
    // A seek to position whose bytes the caller already holds (a copy of
    // what AppendBytes gave): lines are read from them, and from the file only
    // past their end.
    void SeekToCopy(int64_t position, std::string_view bytes);
    int64_t GetSize() const;
    // Nanoseconds since the epoch of the last change; 0 when unknown.
    int64_t GetModificationTime() const;

    int32_t GetCodePage() const noexcept { return codePage_; }
    void SetCodePage(int32_t codePage) noexcept { codePage_ = codePage; }
    // Physical line number (1-based) of the last line read, 0 when unknown
    // (after a seek to anywhere but the start).
    int64_t LineNumber() const noexcept { return lineNumber_ < 0 ? 0 : lineNumber_; }
    // After a seek: the lines before the position, when the caller knows.
    void SetLineNumber(int64_t lines) noexcept { lineNumber_ = lines; }
    // ReadLine ends (kEnd) where a line would start at or past end; -1 for
    // the end of the file.
    void SetLimit(int64_t end) noexcept { limit_ = end; }
    int Error() const noexcept { return error_; }
    // What went wrong, for messages: the system's text for Error(), or that
    // the file became shorter while it was being read.
    std::string ErrorText() const;

    // A whole text in any of the encodings above, as UTF-8 (byte order
    // marks dropped).
    static std::string DecodeText(std::string_view bytes);

    // Tests read the file through small blocks to exercise block boundaries.
    void SetBlockSizeForTesting(size_t size) { blockSize_ = size; }

private:
    bool Fill();
    bool ReadAt(int64_t position, char* into, size_t length, size_t& got);
    void DetectEncoding();
    // At the start of the file: moves past a byte order mark.
    void SkipByteOrderMark();
    // A line's bytes as UTF-8 in line (the bytes themselves where they are
    // UTF-8 already); false when it holds maxChars characters or more.
    bool ConvertLine(std::string_view bytes, size_t maxChars, std::string_view& line);
    bool ConvertUtf16(std::string_view bytes, size_t maxChars, std::string_view& line);
    bool ConvertAnsi(std::string_view bytes, size_t maxChars, std::string_view& line);
    bool ConvertUtf8(std::string_view bytes, size_t maxChars, std::string_view& line);
    // Whether bytes (a line in the block) are known to be UTF-8: checked
    // from there to the end of the block at once, so that the lines after
    // it need no check of their own.
    bool KnownUtf8(std::string_view bytes);

    int fd_ = -1;
    bool positional_ = true;
    int64_t openedSize_ = 0;  // a regular file's size when opened
    bool shrunk_ = false;
    int32_t codePage_ = kAnsi;
    size_t blockSize_ = kBlockSize;
    size_t readSize_ = kBlockSize;
    std::vector<char> block_;
    size_t blockLength_ = 0;
    size_t cursor_ = 0;
    int64_t blockStart_ = 0;
    bool endOfFile_ = false;
    int64_t lineNumber_ = 0;
    int64_t limit_ = -1;
    int error_ = 0;
    std::string converted_;
    std::string_view strippedEnd_;  // the CR and LF units before the LF of the last line
    bool endsWithLf_ = false;
    std::string wideLineEnd_;
    bool keepEmptyLines_ = false;
    // File offsets of bytes found to be UTF-8 (the file does not change
    // under a reader, so they stay so).
    int64_t utf8From_ = 0;
    int64_t utf8To_ = 0;
};

}  // namespace Norvik
