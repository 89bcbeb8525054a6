#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace Norvik {

// Where finished output bytes go. Writers talk to this seam only, so tests can
// fail the Nth write or run without a disk.
class IFileSink {
public:
    virtual ~IFileSink() = default;
    // False on failure; Error() then tells why.
    virtual bool Write(std::string_view bytes) = 0;
    // Completes the file after the last write.
    virtual bool Commit() = 0;
    // Drops what was written (see FileSink for what happens to the target).
    virtual void Discard() = 0;
    // errno of the last failure, 0 when none.
    virtual int Error() const = 0;
};

// A sink on a real file.
//
// kReplace writes a new file beside the target and renames it over the target
// on Commit (after fsync), so the old file survives any failure, a crash or a
// power cut; kReplaceOnFinish does the same without fsync, so that a process
// killed mid-file never leaves a partial file under the target's name. A
// symbolic link keeps pointing at the file it named. A target that is not a
// regular file (a FIFO, a device, /dev/stdout and the like) is written in
// place instead, and never removed. kDirect creates or truncates the target
// at Open, like fopen "wb"; Discard then removes it if it is a regular file.
class FileSink final : public IFileSink {
public:
    enum class Mode { kReplace, kReplaceOnFinish, kDirect };

    // Null (with error set to an errno value) when the file cannot be opened.
    static std::unique_ptr<FileSink> Open(const std::string& path, Mode mode, int& error);
    // Writes to the process's standard output (which stays open).
    static std::unique_ptr<FileSink> OpenStandardOutput(int& error);
    ~FileSink() override;

    bool Write(std::string_view bytes) override;
    bool Commit() override;
    void Discard() override;
    int Error() const override { return error_; }

    const std::string& Path() const noexcept { return target_; }

    // Test seam, process-wide: once `bytes` more bytes have been written by
    // any sink, writes fail with errorCode (as a full disk would). An
    // errorCode of 0 turns it off.
    static void FailWritesAfterForTesting(int64_t bytes, int errorCode);

private:
    FileSink() = default;
    bool CloseDescriptor();
    bool WriteAll(const char* p, size_t left);

    int fd_ = -1;
    std::string target_;
    std::string temporary_;  // empty in direct mode
    bool sync_ = true;
    bool mayRemove_ = true;  // false for standard output
    bool done_ = false;
    int error_ = 0;
};

}  // namespace Norvik
