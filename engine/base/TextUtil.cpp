#include "TextUtil.h"

#include <locale.h>
#include <clocale>
#include <cwctype>

namespace Norvik {

namespace {

// Case data comes from glibc's C.UTF-8 tables so the result does not depend on
// whatever locale the host process runs in.
locale_t Utf8Locale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

}  // namespace

size_t DecodeUtf8(const char* p, const char* end, char32_t& codePoint) {
    const auto b0 = static_cast<unsigned char>(*p);
    if (b0 < 0x80) {
        codePoint = b0;
        return 1;
    }
    size_t length;
    char32_t cp;
    char32_t minimum;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1F;
        minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0F;
        minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (static_cast<size_t>(end - p) < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    codePoint = cp;
    return length;
}

char32_t NextCodePoint(std::string_view text, size_t& pos) {
    char32_t cp;
    const size_t length = DecodeUtf8(text.data() + pos, text.data() + text.size(), cp);
    if (length == 0) {
        ++pos;
        return kReplacementChar;
    }
    pos += length;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void KeepFirstCharacters(std::string& text, size_t maxChars) {
    size_t pos = 0;
    size_t characters = 0;
    while (pos < text.size() && characters < maxChars) {
        NextCodePoint(text, pos);
        ++characters;
    }
    text.resize(pos);
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t c = NextCodePoint(text, pos);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacementChar;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        if (static_cast<unsigned char>(*p) < 0x80) {
            ++p;
            continue;
        }
        char32_t cp;
        const size_t length = DecodeUtf8(p, end, cp);
        if (length == 0) {
            return false;
        }
        p += length;
    }
    return true;
}

char32_t ToLowerChar(char32_t c) {
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    }
    const locale_t locale = Utf8Locale();
    return locale ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale)) : c;
}

char32_t ToUpperChar(char32_t c) {
    if (c < 0x80) {
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    }
    const locale_t locale = Utf8Locale();
    return locale ? static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale)) : c;
}

bool IsLetter(char32_t c) {
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    const locale_t locale = Utf8Locale();
    return locale && iswalpha_l(static_cast<wint_t>(c), locale);
}

namespace {

template <typename Map>
void MapCaseInto(std::string_view text, Map map, std::string& out) {
    out.clear();
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const auto b = static_cast<unsigned char>(text[pos]);
        if (b < 0x80) {
            out += static_cast<char>(map(b));
            ++pos;
            continue;
        }
        char32_t cp;
        const size_t length = DecodeUtf8(text.data() + pos, text.data() + text.size(), cp);
        if (length == 0) {
            out += text[pos];  // keep malformed bytes as they are
            ++pos;
            continue;
        }
        AppendUtf8(out, map(cp));
        pos += length;
    }
}

}  // namespace

std::string ToLower(std::string_view text) {
    std::string out;
    MapCaseInto(text, ToLowerChar, out);
    return out;
}

void ToLowerInto(std::string_view text, std::string& out) {
    MapCaseInto(text, ToLowerChar, out);
}

std::string ToUpper(std::string_view text) {
    std::string out;
    MapCaseInto(text, ToUpperChar, out);
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = NextCodePoint(a, i);
        const char32_t cb = NextCodePoint(b, j);
        if (ca != cb && ToLowerChar(ca) != ToLowerChar(cb)) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

bool Utf16OrderLess::operator()(std::string_view a, std::string_view b) const {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) {
            continue;
        }
        // Lead bytes 0xEE/0xEF start U+E000..U+FFFF, which UTF-16 places after
        // the surrogate pairs of lead bytes 0xF0..0xF4.
        auto rank = [](unsigned char c) { return (c == 0xEE || c == 0xEF) ? c + 0x20 : c + 0; };
        return rank(static_cast<unsigned char>(a[i])) < rank(static_cast<unsigned char>(b[i]));
    }
    return a.size() < b.size();
}

}  // namespace Norvik
