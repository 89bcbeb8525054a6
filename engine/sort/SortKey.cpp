#include "SortKey.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace {

// UTF-8 lead bytes 0xEE/0xEF start U+E000..U+FFFF, which UTF-16 orders after
// the surrogate pairs that lead bytes 0xF0..0xF4 stand for. The permutation
// moves them to the top and keeps every other byte's order.
constexpr std::array<unsigned char, 256> kRank = [] {
    std::array<unsigned char, 256> rank{};
    for (int b = 0; b < 256; ++b) {
        rank[b] = static_cast<unsigned char>(b < 0xEE ? b : (b >= 0xF0 ? b - 2 : b + 0x10));
    }
    return rank;
}();

}  // namespace

void SortKey::AppendText(std::string& key, std::string_view text, bool descending) {
    const unsigned char flip = descending ? 0xFF : 0x00;
    const size_t start = key.size();
    key.resize(start + 2 * text.size() + 2);  // room for every byte escaped
    char* out = key.data() + start;
    for (const char c : text) {
        const unsigned char rank = kRank[static_cast<unsigned char>(c)];
        *out++ = static_cast<char>(rank ^ flip);
        if (rank == 0) {
            *out++ = static_cast<char>(0xFF ^ flip);  // 00 FF: a zero byte
        }
    }
    // 00 00 ends the part below every continuation, so the parts are prefix-free.
    *out++ = static_cast<char>(flip);
    *out++ = static_cast<char>(flip);
    key.resize(static_cast<size_t>(out - key.data()));
}

size_t SortKey::TextPartLength(std::string_view key, bool descending) {
    const char flip = descending ? static_cast<char>(0xFF) : '\0';
    size_t i = 0;
    while (i < key.size()) {
        if (key[i] != flip) {
            ++i;
        } else if (i + 1 < key.size() && key[i + 1] == flip) {
            return i + 2;
        } else {
            i += 2;  // an escaped zero byte
        }
    }
    return key.size();
}

void SortKey::AppendNumber(std::string& key, double value, bool descending) {
    if (value == 0.0 || std::isnan(value)) {
        value = 0.0;
    }
    auto bits = std::bit_cast<uint64_t>(value);
    bits = (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
    if (descending) {
        bits = ~bits;
    }
    for (int shift = 56; shift >= 0; shift -= 8) {
        key.push_back(static_cast<char>((bits >> shift) & 0xFF));
    }
}
