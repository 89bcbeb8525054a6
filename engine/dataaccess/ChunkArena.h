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

    // Where the bytes now live; stays valid as long as the arena.
    uint64_t Add(std::string_view bytes) {
        if (chunks_.empty() || capacity_ - used_ < bytes.size()) {
            capacity_ = bytes.size() > kChunkSize ? bytes.size() : kChunkSize;
            chunks_.push_back(std::make_unique_for_overwrite<char[]>(capacity_));
            used_ = 0;
        }
        if (!bytes.empty()) {
            std::memcpy(chunks_.back().get() + used_, bytes.data(), bytes.size());
        }
        const uint64_t locator = (static_cast<uint64_t>(chunks_.size() - 1) << 32) | used_;
        used_ += bytes.size();
        return locator;
    }
    const char* At(uint64_t locator) const noexcept {
        return chunks_[locator >> 32].get() + (locator & 0xFFFFFFFFu);
    }
    void Clear() noexcept {
        chunks_.clear();
        used_ = capacity_ = 0;
    }

private:
    std::vector<std::unique_ptr<char[]>> chunks_;
    size_t used_ = 0;
    size_t capacity_ = 0;
};

}  // namespace Norvik
