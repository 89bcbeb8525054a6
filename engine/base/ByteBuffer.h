#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

namespace Norvik {

// memcpy for the short pieces markup is made of (names, most values): up to
// 16 bytes with two overlapping loads and stores, never reading past src.
inline void CopyBytes(char* out, const char* src, size_t length) {
    if (length >= 8 && length <= 16) {
        uint64_t head;
        uint64_t tail;
        std::memcpy(&head, src, 8);
        std::memcpy(&tail, src + length - 8, 8);
        std::memcpy(out, &head, 8);
        std::memcpy(out + length - 8, &tail, 8);
    } else if (length >= 4 && length < 8) {
        uint32_t head;
        uint32_t tail;
        std::memcpy(&head, src, 4);
        std::memcpy(&tail, src + length - 4, 4);
        std::memcpy(out, &head, 4);
        std::memcpy(out + length - 4, &tail, 4);
    } else if (length < 4) {
        for (size_t i = 0; i < length; ++i) {
            out[i] = src[i];
        }
    } else {
        std::memcpy(out, src, length);
    }
}

// A growable byte buffer for output: what std::string offers writers, plus
// growth that leaves new bytes uninitialised and direct writing past the end
// (Claim, then Release), so that hot paths write small pieces without a
// capacity check and a terminator each.
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    const char* data() const noexcept { return data_.get(); }
    char* data() noexcept { return data_.get(); }
    size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    char back() const noexcept { return data_[size_ - 1]; }
    void clear() noexcept { size_ = 0; }
    operator std::string_view() const noexcept { return std::string_view(data(), size_); }

    void reserve(size_t capacity) {
        if (capacity > capacity_) {
            Grow(capacity);
        }
    }
    // Bytes past the old size are not initialised.
    void resize(size_t size) {
        reserve(size);
        size_ = size;
    }
    void append(const char* bytes, size_t length) {
        if (length > capacity_ - size_) {
            Grow(size_ + length);
        }
        if (length > 0) {
            std::memcpy(data_.get() + size_, bytes, length);
        }
        size_ += length;
    }
    void append(std::string_view bytes) { append(bytes.data(), bytes.size()); }
    ByteBuffer& operator+=(std::string_view bytes) {
        append(bytes);
        return *this;
    }
    ByteBuffer& operator+=(char byte) {
        if (size_ == capacity_) {
            Grow(size_ + 1);
        }
        data_[size_++] = byte;
        return *this;
    }

    void swap(ByteBuffer& other) noexcept {
        data_.swap(other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

    // Room for at least `length` more bytes: where the next byte goes.
    char* Claim(size_t length) {
        if (length > capacity_ - size_) {
            Grow(size_ + length);
        }
        return data_.get() + size_;
    }
    // After writing from Claim's pointer: the bytes up to end are kept.
    void Release(const char* end) noexcept { size_ = static_cast<size_t>(end - data_.get()); }

private:
    void Grow(size_t needed) {
        size_t capacity = capacity_ < 256 ? 256 : capacity_ * 2;
        if (capacity < needed) {
            capacity = needed;
        }
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (size_ > 0) {
            std::memcpy(grown.get(), data_.get(), size_);
        }
        data_ = std::move(grown);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace Norvik
