#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 helpers shared by the engine. All engine text is UTF-8; these functions
// never throw on malformed input (a bad byte counts as one U+FFFD character).
namespace Norvik {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Decodes one well-formed UTF-8 sequence at p (p < end). Returns its length and
// stores the code point, or returns 0 for an ill-formed, overlong, surrogate or
// truncated sequence.
size_t DecodeUtf8(const char* p, const char* end, char32_t& codePoint);

// The length of the UTF-8 sequence at p (p < end) when it is one of the common
// well-formed kinds that need no decoding to check: two bytes, or three bytes
// from U+1000 to U+CFFF (never a surrogate, never a non-character). 0 for
// anything else, which DecodeUtf8 then judges.
inline size_t CommonUtf8Length(const char* p, const char* end) {
    const auto b0 = static_cast<unsigned char>(p[0]);
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        return end - p >= 2 && (static_cast<unsigned char>(p[1]) & 0xC0) == 0x80 ? 2 : 0;
    }
    if (b0 >= 0xE1 && b0 <= 0xEC && end - p >= 3 &&
        (static_cast<unsigned char>(p[1]) & 0xC0) == 0x80 &&
        (static_cast<unsigned char>(p[2]) & 0xC0) == 0x80) {
        return 3;
    }
    return 0;
}

// Decodes the character at pos and advances pos; malformed bytes give U+FFFD
// and advance by one byte.
char32_t NextCodePoint(std::string_view text, size_t& pos);

void AppendUtf8(std::string& out, char32_t codePoint);

// Cuts text after its first maxChars characters.
void KeepFirstCharacters(std::string& text, size_t maxChars);

// Conversions for APIs that speak UTF-16; malformed input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
bool IsValidUtf8(std::string_view text);

// Unicode-aware case mapping, independent of the process locale.
char32_t ToLowerChar(char32_t c);
char32_t ToUpperChar(char32_t c);
bool IsLetter(char32_t c);
std::string ToLower(std::string_view text);
// The same into a caller's buffer (text must not lie in it).
void ToLowerInto(std::string_view text, std::string& out);
std::string ToUpper(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// ASCII white space: space, tab, CR, LF, vertical tab, form feed.
inline bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline std::string_view TrimView(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && IsSpace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}
inline std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}

// XML white space: space, tab, CR, LF.
inline bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
inline bool AllXmlSpace(std::string_view text) {
    for (const char c : text) {
        if (!IsXmlSpace(c)) {
            return false;
        }
    }
    return true;
}
inline std::string_view TrimXmlSpace(std::string_view text) {
    while (!text.empty() && IsXmlSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsXmlSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Orders UTF-8 strings as their UTF-16 forms would sort code unit by code unit
// (characters above U+FFFF sort before U+E000..U+FFFF), so stored tables keep
// the order the desktop program has always shown.
struct Utf16OrderLess {
    bool operator()(std::string_view a, std::string_view b) const;
    using is_transparent = void;
};

}  // namespace Norvik
