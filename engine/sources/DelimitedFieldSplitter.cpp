#include "DelimitedFieldSplitter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "base/ByteBlock.h"
#include "base/TextUtil.h"

DelimitedFieldSplitter::DelimitedFieldSplitter(std::string_view delimiters, bool merge, bool trim)
    : delimiters_(delimiters), merge_(merge), trim_(trim) {
    for (char c : delimiters_) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            asciiDelimiter_[b] = true;
        } else {
            hasWideDelimiters_ = true;
        }
    }
    if (delimiters_.size() == 1 && static_cast<unsigned char>(delimiters_[0]) < 0x80) {
        single_ = delimiters_[0];
    }
}

namespace {

// The first c from p, or end. Fields are short: a block load that may read
// past the end finds most of them without a call.
inline const char* FindByte(const char* p, const char* end, char c) {
    while (p < end && Norvik::ByteBlock::MayReadPastEnd(p)) {
        const unsigned bits = Norvik::ByteBlock(p).Equal(c).Bits();
        if (bits != 0) {
            const char* found = p + __builtin_ctz(bits);
            return found < end ? found : end;
        }
        p += Norvik::ByteBlock::kSize;
    }
    if (p >= end) {
        return end;
    }
    const void* found = std::memchr(p, c, static_cast<size_t>(end - p));
    return found ? static_cast<const char*>(found) : end;
}

// FieldEnd of a quoted field from scan: its opening quote (inQuotes false),
// or within it (inQuotes says whether a quote is open there). At the end of
// the line inQuotes says whether the field is still open.
const char* QuotedFieldEnd(const char* scan, const char* end, char delimiter, bool& inQuotes) {
    for (const char* q = scan; q < end;) {
        if (*q == '"') {
            inQuotes = !inQuotes;
            ++q;
            continue;
        }
        if (inQuotes) {
            q = FindByte(q, end, '"');
            continue;
        }
        const char* found = FindByte(q, end, delimiter);
        const char* quote = FindByte(q, found, '"');
        if (quote == found) {
            return found;
        }
        q = quote;
    }
    return end;
}

// The delimiter that ends the field starting at start, or end when the line
// ends first. A field starting (after white space) with a quote is quoted:
// every quote opens or closes, and delimiters count only outside.
// open: the field is quoted and its quote still open at the end of the line.
inline const char* FieldEnd(const char* start, const char* end, char delimiter, bool& open) {
    const char* scan = start;
    while (scan < end && *scan != delimiter && Norvik::IsSpace(*scan)) {
        ++scan;
    }
    open = false;
    if (scan == end || *scan != '"') {
        return FindByte(scan, end, delimiter);
    }
    return QuotedFieldEnd(scan, end, delimiter, open);
}

constexpr size_t kMaskWords = 8;

// Bit k of marks[k / 64] set: byte k of text is c (text at most 64 words).
void MarkByte(const char* text, size_t length, char c, uint64_t* marks) {
    const size_t words = (length + 63) / 64;
    std::fill_n(marks, words, uint64_t{0});
    size_t k = 0;
    for (; k + Norvik::ByteBlock::kSize <= length; k += Norvik::ByteBlock::kSize) {
        marks[k / 64] |= uint64_t{Norvik::ByteBlock(text + k).Equal(c).Bits()} << (k % 64);
    }
    if (k == length) {
        return;
    }
    const size_t left = length - k;
    unsigned bits = 0;
    if (Norvik::ByteBlock::MayReadPastEnd(text + k)) {
        bits = Norvik::ByteBlock(text + k).Equal(c).Bits() & ((1u << left) - 1);
    } else {
        for (size_t j = 0; j < left; ++j) {
            bits |= text[k + j] == c ? 1u << j : 0u;
        }
    }
    marks[k / 64] |= uint64_t{bits} << (k % 64);
}

// The first marked byte from p on, or end.
inline const char* NextMarked(const uint64_t* marks, const char* begin, const char* p,
                              const char* end) {
    const auto at = static_cast<size_t>(p - begin);
    const size_t words = (static_cast<size_t>(end - begin) + 63) / 64;
    size_t word = at / 64;
    uint64_t bits = marks[word] & (~uint64_t{0} << (at % 64));
    while (bits == 0) {
        if (++word == words) {
            return end;
        }
        bits = marks[word];
    }
    return begin + word * 64 + static_cast<size_t>(__builtin_ctzll(bits));
}

// Whether the fields from p to end leave a quoted field open at the end.
bool EndsInsideQuotes(const char* p, const char* end, char delimiter) {
    bool open = false;
    while (p < end) {
        const char* const stop = FieldEnd(p, end, delimiter, open);
        if (stop == end) {
            return open;
        }
        p = stop + 1;
    }
    return false;
}

}  // namespace

bool DelimitedFieldSplitter::Split(std::string_view line, std::string_view* fields, size_t count,
                                   bool followQuotes) {
    if (single_ == 0 || merge_) {
        Start(line);
        for (size_t i = 0; i < count; ++i) {
            if (!Next(fields[i])) {
                fields[i] = {};
            }
        }
        return followQuotes && StartRecord(line);
    }
    const char* const begin = line.data();
    const char* p = begin;
    const char* const end = p + line.size();
    // The delimiters of an ordinary line are found all at once, so that
    // finding where one field ends does not wait for the field before.
    std::array<uint64_t, kMaskWords> delimiters;
    const bool masked = line.size() <= kMaskWords * 64;
    if (masked) {
        MarkByte(begin, line.size(), single_, delimiters.data());
    }
    size_t i = 0;
    bool open = false;
    for (; i < count && p < end; ++i) {
        if (masked && *p != '"' && !Norvik::IsSpace(*p)) {
            // Not quoted, and nothing to trim before it.
            const char* const stop = NextMarked(delimiters.data(), begin, p, end);
            const char* last = stop;
            while (trim_ && last > p && Norvik::IsSpace(last[-1])) {
                --last;
            }
            fields[i] = std::string_view(p, static_cast<size_t>(last - p));
            p = stop < end ? stop + 1 : end;
            continue;
        }
        const char* const stop = FieldEnd(p, end, single_, open);
        std::string_view field(p, static_cast<size_t>(stop - p));
        fields[i] = trim_ ? Norvik::TrimView(field) : field;
        p = stop < end ? stop + 1 : end;
    }
    for (; i < count; ++i) {
        fields[i] = {};
    }
    // The fields read say it, unless fields past count remain.
    return followQuotes && (p < end ? EndsInsideQuotes(p, end, single_) : open);
}

// The common case of one delimiter character: whole runs are found with
// memchr instead of a test per byte.
bool DelimitedFieldSplitter::NextSingle(std::string_view& field) {
    const char* const begin = line_.data();
    const char* const end = begin + line_.size();
    const char* const start = begin + pos_;
    bool open = false;
    const char* const stop = FieldEnd(start, end, single_, open);
    if (stop < end) {
        field = std::string_view(start, static_cast<size_t>(stop - start));
        const char* after = stop + 1;
        if (merge_) {
            while (after < end && *after == single_) {
                ++after;
            }
        }
        pos_ = static_cast<size_t>(after - begin);
    } else {
        field = std::string_view(start, static_cast<size_t>(end - start));
        pos_ = line_.size();
    }
    if (trim_) {
        field = Norvik::TrimView(field);
    }
    return true;
}

void DelimitedFieldSplitter::Start(std::string_view line) {
    line_ = line;
    pos_ = 0;
    done_ = false;
}

bool DelimitedFieldSplitter::IsDelimiterIn(std::string_view text, size_t pos,
                                           size_t& length) const {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
        length = 1;
        return asciiDelimiter_[b];
    }
    if (!hasWideDelimiters_) {
        length = 1;  // a byte of a longer character, never a delimiter
        return false;
    }
    size_t next = pos;
    const char32_t c = Norvik::NextCodePoint(text, next);
    length = next - pos;
    for (size_t d = 0; d < delimiters_.size();) {
        if (Norvik::NextCodePoint(delimiters_, d) == c) {
            return true;
        }
    }
    return false;
}

size_t DelimitedFieldSplitter::FindDelimiter(std::string_view text, size_t pos,
                                             size_t& length) const {
    if (single_ != 0) {
        const char* found = FindByte(text.data() + pos, text.data() + text.size(), single_);
        length = 1;
        const auto at = static_cast<size_t>(found - text.data());
        return at < text.size() ? at : std::string_view::npos;
    }
    for (; pos < text.size(); pos += length) {
        if (IsDelimiterIn(text, pos, length)) {
            return pos;
        }
    }
    return std::string_view::npos;
}

bool DelimitedFieldSplitter::StartRecord(std::string_view text) {
    recordAt_ = RecordAt::kFieldStart;
    inQuotes_ = false;
    // Most lines hold no quote at all: nothing can stay open.
    if (std::memchr(text.data(), '"', text.size()) == nullptr) {
        return false;
    }
    if (single_ != 0) {
        // The scan the fields are split with.
        return EndsInsideQuotes(text.data(), text.data() + text.size(), single_);
    }
    return FollowQuotes(text);
}

bool DelimitedFieldSplitter::ContinueRecord(std::string_view text) {
    if (single_ == 0) {
        return FollowQuotes(text);
    }
    // Within the quoted field the last line left open.
    const char* const end = text.data() + text.size();
    bool inQuotes = true;
    const char* const stop = QuotedFieldEnd(text.data(), end, single_, inQuotes);
    return stop == end ? inQuotes : EndsInsideQuotes(stop + 1, end, single_);
}

// As Next reads fields: a field that starts (after white space) with a quote
// is quoted, every quote in it opens or closes, and delimiters count only
// outside quotes.
bool DelimitedFieldSplitter::FollowQuotes(std::string_view text) {
    size_t i = 0;
    size_t length = 1;
    while (i < text.size()) {
        switch (recordAt_) {
            case RecordAt::kFieldStart:
                if (IsDelimiterIn(text, i, length)) {
                    i += length;
                } else if (Norvik::IsSpace(text[i])) {
                    ++i;
                } else if (text[i] == '"') {
                    recordAt_ = RecordAt::kQuotedField;
                    inQuotes_ = true;
                    ++i;
                } else {
                    recordAt_ = RecordAt::kPlainField;
                }
                break;
            case RecordAt::kPlainField:
                i = FindDelimiter(text, i, length);
                if (i == std::string_view::npos) {
                    return false;
                }
                i += length;
                recordAt_ = RecordAt::kFieldStart;
                break;
            case RecordAt::kQuotedField:
                if (inQuotes_) {
                    const void* quote = std::memchr(text.data() + i, '"', text.size() - i);
                    if (!quote) {
                        return true;
                    }
                    i = static_cast<size_t>(static_cast<const char*>(quote) - text.data()) + 1;
                    inQuotes_ = false;
                } else if (text[i] == '"') {
                    inQuotes_ = true;
                    ++i;
                } else if (IsDelimiterIn(text, i, length)) {
                    recordAt_ = RecordAt::kFieldStart;
                    i += length;
                } else {
                    i += length;
                }
                break;
        }
    }
    return recordAt_ == RecordAt::kQuotedField && inQuotes_;
}

bool DelimitedFieldSplitter::Next(std::string_view& field) {
    if (done_) {
        return false;
    }
    if (delimiters_.empty()) {
        done_ = true;
        field = line_;
        return true;
    }
    if (pos_ >= line_.size()) {
        done_ = true;
        return false;
    }
    if (single_ != 0) {
        return NextSingle(field);
    }
    const size_t start = pos_;
    size_t scan = start;
    // White space before a quote does not stop it from opening the field.
    while (scan < line_.size() && Norvik::IsSpace(line_[scan]) &&
           !asciiDelimiter_[static_cast<unsigned char>(line_[scan])]) {
        ++scan;
    }
    bool inQuotes = false;
    const bool quoted = scan < line_.size() && line_[scan] == '"';
    size_t end = line_.size();
    size_t length = 0;
    for (; scan < line_.size(); scan += length) {
        length = 1;
        const char c = line_[scan];
        if (quoted && c == '"') {
            inQuotes = !inQuotes;
            continue;
        }
        if (!inQuotes && IsDelimiterAt(scan, length)) {
            end = scan;
            break;
        }
        if (static_cast<unsigned char>(c) >= 0x80) {
            size_t next = scan;
            Norvik::NextCodePoint(line_, next);
            length = next - scan;
        }
    }
    field = line_.substr(start, end - start);
    if (end < line_.size()) {
        pos_ = end + length;
        if (merge_) {
            size_t more = 0;
            while (pos_ < line_.size() && IsDelimiterAt(pos_, more)) {
                pos_ += more;
            }
        }
    } else {
        pos_ = line_.size();
    }
    if (trim_) {
        field = Norvik::TrimView(field);
    }
    return true;
}
