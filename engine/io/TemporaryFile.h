#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Norvik {

// A scratch file for data that does not fit the memory budget. It is unlinked
// as soon as it is made, so it disappears with the descriptor on every way
// out of the process, a crash included. Appends are buffered; reads are
// positional. Failures throw PlatformError with the system's message.
class TemporaryFile {
public:
    // In SpillSettings::Folder().
    TemporaryFile();
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Where the next appended byte will lie.
    int64_t Size() const noexcept { return size_; }
    void Append(std::string_view bytes);
    // Writes what is buffered; reads see everything appended before.
    void Flush();
    // Up to length bytes from position (flushed bytes only); fewer only at
    // the end of the file.
    size_t ReadAt(int64_t position, char* into, size_t length) const;
    // Gives back the whole blocks inside [begin, end), which must never be
    // read again, so that their memory serves what is written next (where the
    // file system cannot, nothing happens). Returns where the next release of
    // the same range should begin.
    int64_t Release(int64_t begin, int64_t end) const noexcept;

    // Tests: once `bytes` more bytes have been written by any temporary file,
    // writes fail with errorCode (as a full disk would); 0 turns it off.
    static void FailWritesAfterForTesting(int64_t bytes, int errorCode);

private:
    [[noreturn]] static void Fail(const char* what, int error);

    int fd_ = -1;
    int64_t size_ = 0;     // bytes appended
    int64_t flushed_ = 0;  // bytes on disk
    std::string buffer_;
};

}  // namespace Norvik
