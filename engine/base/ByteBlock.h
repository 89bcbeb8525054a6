#pragma once

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// NORVIK_CHECKED_HEAP is 1 in builds whose heap accesses a sanitizer checks
// (address or thread), whatever the compiler.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define NORVIK_CHECKED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define NORVIK_CHECKED_HEAP 1
#endif
#endif
#ifndef NORVIK_CHECKED_HEAP
#define NORVIK_CHECKED_HEAP 0
#endif

namespace Norvik {

// Sixteen bytes loaded at once, and which of them match (bit i for byte i):
// the scans of text, fields and markup look at sixteen bytes a step.
class ByteBlock {
public:
    static constexpr size_t kSize = 16;

    // Which bytes of a block matched; matches combine before they become
    // bits, so a scan for several bytes pays for one conversion.
    class Matches {
    public:
        Matches operator|(const Matches& other) const {
#ifdef __SSE2__
            return Matches(_mm_or_si128(v_, other.v_));
#else
            return Matches(v_ | other.v_);
#endif
        }
        unsigned Bits() const {
#ifdef __SSE2__
            return static_cast<unsigned>(_mm_movemask_epi8(v_));
#else
            return v_;
#endif
        }

    private:
        friend class ByteBlock;
#ifdef __SSE2__
        explicit Matches(__m128i v) : v_(v) {}
        __m128i v_;
#else
        explicit Matches(unsigned v) : v_(v) {}
        unsigned v_;
#endif
    };

    explicit ByteBlock(const char* p) {
#ifdef __SSE2__
        v_ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
#else
        std::memcpy(bytes_, p, kSize);
#endif
    }

    Matches Equal(char c) const {
#ifdef __SSE2__
        return Matches(_mm_cmpeq_epi8(v_, _mm_set1_epi8(c)));
#else
        return Where([c](signed char b) { return b == static_cast<signed char>(c); });
#endif
    }
    // Bytes below c as signed numbers, so bytes of 0x80 and above count too.
    Matches SignedBelow(char c) const {
#ifdef __SSE2__
        return Matches(_mm_cmplt_epi8(v_, _mm_set1_epi8(c)));
#else
        return Where([c](signed char b) { return b < static_cast<signed char>(c); });
#endif
    }
    // Bytes of 0x80 and above (parts of multi-byte characters), as bits.
    unsigned High() const {
#ifdef __SSE2__
        return static_cast<unsigned>(_mm_movemask_epi8(v_));
#else
        return Where([](signed char b) { return b < 0; }).Bits();
#endif
    }

    // The sixteen bytes, written at out.
    void Store(char* out) const {
#ifdef __SSE2__
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v_);
#else
        std::memcpy(out, bytes_, kSize);
#endif
    }

    // Whether a load at p may read past the end of the bytes being scanned:
    // only when the sixteen bytes cannot cross into another page (so the load
    // cannot fault), and never under a sanitizer that checks the heap,
    // which would report it. Bytes past the end are never used.
    static bool MayReadPastEnd(const char* p) {
        return !NORVIK_CHECKED_HEAP && (reinterpret_cast<uintptr_t>(p) & 4095) <= 4096 - kSize;
    }

private:
#ifdef __SSE2__
    __m128i v_;
#else
    template <typename Match>
    Matches Where(Match match) const {
        unsigned bits = 0;
        for (size_t i = 0; i < kSize; ++i) {
            bits |= match(static_cast<signed char>(bytes_[i])) ? 1u << i : 0u;
        }
        return Matches(bits);
    }
    char bytes_[kSize];
#endif
};

}  // namespace Norvik
