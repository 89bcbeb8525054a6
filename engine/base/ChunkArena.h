#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace Norvik {

// Append-only storage for many small byte strings: they are packed into
// large chunks, so each costs its bytes and an 8-byte locator, and growing
// never copies or frees what is kept (no doubling peak).
class ChunkArena {
public:
    static constexpr size_t kChunkSize = size_t{4} << 20;

    // Where the bytes now live; stays valid until Clear.
    uint64_t Add(std::string_view bytes) {
        uint64_t locator = 0;
        char* at = Reserve(bytes.size(), locator);
        if (!bytes.empty()) {
            std::memcpy(at, bytes.data(), bytes.size());
        }
        return locator;
    }
    // Room for size bytes the caller writes at once.
    char* Reserve(size_t size, uint64_t& locator) {
        if (inUse_ == 0 || chunks_[inUse_ - 1].capacity - used_ < size) {
            NextChunk(size);
        }
        locator = (static_cast<uint64_t>(inUse_ - 1) << 32) | used_;
        char* at = chunks_[inUse_ - 1].bytes.get() + used_;
        used_ += size;
        return at;
    }
    const char* At(uint64_t locator) const noexcept {
        return chunks_[locator >> 32].bytes.get() + (locator & 0xFFFFFFFFu);
    }
    // Forgets every string but keeps the memory for the next ones: filling
    // fresh memory again would cost a page fault every 4 KB.
    void Clear() noexcept { inUse_ = used_ = 0; }
    // Forgets every string and gives the memory back.
    void Release() noexcept {
        chunks_.clear();
        inUse_ = used_ = 0;
    }

private:
    struct Chunk {
        std::unique_ptr<char[]> bytes;
        size_t capacity;
    };

    void NextChunk(size_t size) {
        if (inUse_ == chunks_.size() || chunks_[inUse_].capacity < size) {
            const size_t capacity = size > kChunkSize ? size : kChunkSize;
            Chunk chunk{std::make_unique_for_overwrite<char[]>(capacity), capacity};
            if (inUse_ == chunks_.size()) {
                chunks_.push_back(std::move(chunk));
            } else {
                chunks_[inUse_] = std::move(chunk);
            }
        }
        ++inUse_;
        used_ = 0;
    }

    std::vector<Chunk> chunks_;
    size_t inUse_ = 0;  // chunks holding strings, from the first
    size_t used_ = 0;   // bytes of the last of them
};

}  // namespace Norvik
