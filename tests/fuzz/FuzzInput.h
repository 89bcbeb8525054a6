#pragma once

#include <cstdlib>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Takes a fuzz input apart: small numbers and texts from its front, the rest
// as one piece.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size)
        : data_(reinterpret_cast<const char*>(data)), size_(size) {}

    uint8_t Byte() { return at_ < size_ ? static_cast<uint8_t>(data_[at_++]) : 0; }
    bool Flag() { return (Byte() & 1) != 0; }
    // Up to the next NUL (or the end), at most max bytes.
    std::string Text(size_t max = 256) {
        std::string text;
        while (at_ < size_ && data_[at_] != '\0' && text.size() < max) {
            text += data_[at_++];
        }
        if (at_ < size_) {
            ++at_;
        }
        return text;
    }
    std::string_view Rest() {
        const std::string_view rest(data_ + at_, size_ - at_);
        at_ = size_;
        return rest;
    }
    bool Empty() const { return at_ >= size_; }

private:
    const char* data_;
    size_t size_;
    size_t at_ = 0;
};

// A folder of this process for the files a target writes, in memory where
// the machine has /dev/shm: saves sync their files, and a disk would make
// that the whole cost of an input.
inline const std::string& FuzzScratchFolder() {
    static const std::string folder = [] {
        for (const char* base : {"/dev/shm", "/tmp"}) {
            std::string pattern = std::string(base) + "/dvfuzz.XXXXXX";
            if (::mkdtemp(pattern.data()) != nullptr) {
                return pattern;
            }
        }
        return std::string(".");
    }();
    return folder;
}
