#include "DelimitedFieldSplitter.h"

#include <cstring>

#include "dataaccess/TextUtil.h"

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

// The common case of one delimiter character: whole runs are found with
// memchr instead of a test per byte.
bool DelimitedFieldSplitter::NextSingle(std::string_view& field) {
    const char* const begin = line_.data();
    const char* const end = begin + line_.size();
    const char* const start = begin + pos_;
    const char* scan = start;
    while (scan < end && *scan != single_ && Norvik::IsSpace(*scan)) {
        ++scan;
    }
    const char* stop = nullptr;
    if (scan < end && *scan == '"') {
        // Quoted: delimiters count only outside the quotes.
        bool inQuotes = false;
        for (const char* p = scan; p < end;) {
            if (*p == '"') {
                inQuotes = !inQuotes;
                ++p;
                continue;
            }
            const char* next = static_cast<const char*>(
                std::memchr(p, inQuotes ? '"' : single_, static_cast<size_t>(end - p)));
            if (!next) {
                break;
            }
            if (!inQuotes) {
                const char* quote =
                    static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(next - p)));
                if (quote) {
                    p = quote;
                    continue;
                }
                stop = next;
                break;
            }
            p = next;
        }
    } else {
        stop =
            static_cast<const char*>(std::memchr(scan, single_, static_cast<size_t>(end - scan)));
    }
    if (stop) {
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

bool DelimitedFieldSplitter::IsDelimiterAt(size_t pos, size_t& length) const {
    const auto b = static_cast<unsigned char>(line_[pos]);
    if (b < 0x80) {
        length = 1;
        return asciiDelimiter_[b];
    }
    if (!hasWideDelimiters_) {
        return false;
    }
    size_t next = pos;
    const char32_t c = Norvik::NextCodePoint(line_, next);
    length = next - pos;
    for (size_t d = 0; d < delimiters_.size();) {
        if (Norvik::NextCodePoint(delimiters_, d) == c) {
            return true;
        }
    }
    return false;
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
