#include "XmlChars.h"

#include <array>
#include <cstdint>

#include <libxml/chvalid.h>

#include "base/TextUtil.h"

namespace Norvik {

bool IsXmlNameStartChar(char32_t c) {
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
    }
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsXmlNameChar(char32_t c) {
    if (IsXmlNameStartChar(c)) {
        return true;
    }
    return (c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool IsPortableNameStartChar(char32_t c) {
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    }
    // libxml2 keeps the fourth edition's tables (Appendix B); nothing above
    // U+FFFF is a letter there.
    return c <= 0xFFFF && IsXmlNameStartChar(c) &&
           (xmlIsBaseChar(static_cast<unsigned int>(c)) ||
            xmlIsIdeographic(static_cast<unsigned int>(c)));
}

bool IsPortableNameChar(char32_t c) {
    if (c < 0x80) {
        return IsPortableNameStartChar(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }
    if (IsPortableNameStartChar(c)) {
        return true;
    }
    const auto u = static_cast<unsigned int>(c);
    return c <= 0xFFFF && IsXmlNameChar(c) &&
           (xmlIsDigit(u) || xmlIsCombining(u) || xmlIsExtender(u));
}

namespace {

// ASCII name characters: 1 may start a name, 2 may follow.
constexpr std::array<uint8_t, 128> MakeAsciiNameTable() {
    std::array<uint8_t, 128> table{};
    for (int c = 'A'; c <= 'Z'; ++c) {
        table[c] = 1;
    }
    for (int c = 'a'; c <= 'z'; ++c) {
        table[c] = 1;
    }
    table['_'] = 1;
    table[':'] = 1;
    for (int c = '0'; c <= '9'; ++c) {
        table[c] = 2;
    }
    table['-'] = 2;
    table['.'] = 2;
    return table;
}

constexpr std::array<uint8_t, 128> kAsciiName = MakeAsciiNameTable();

}  // namespace

bool IsXmlName(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    // Most names are ASCII: a table look-up per byte.
    bool ascii = true;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80) {
            ascii = false;
            break;
        }
        const uint8_t kind = kAsciiName[b];
        if (kind == 0 || (i == 0 && kind != 1)) {
            return false;
        }
    }
    if (ascii) {
        return true;
    }
    const char* p = text.data();
    const char* end = p + text.size();
    bool first = true;
    while (p < end) {
        char32_t c;
        const size_t length = DecodeUtf8(p, end, c);
        if (length == 0) {
            return false;
        }
        if (first ? !IsXmlNameStartChar(c) : !IsXmlNameChar(c)) {
            return false;
        }
        first = false;
        p += length;
    }
    return true;
}

namespace {

// Whether the byte at p starts something that needs replacing.
bool NeedsWork(const char* p, const char* end) {
    const auto b = static_cast<unsigned char>(*p);
    if (b < 0x20) {
        return b != '\t' && b != '\n' && b != '\r';
    }
    if (b < 0x80) {
        return false;
    }
    char32_t c;
    return DecodeUtf8(p, end, c) == 0 || !IsXmlChar(c);
}

}  // namespace

std::string_view ReplaceNonXmlChars(std::string_view text, std::string& scratch) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin;
    while (p < end) {
        const auto b = static_cast<unsigned char>(*p);
        if (b >= 0x20 && b < 0x80) {
            ++p;
            continue;
        }
        if (NeedsWork(p, end)) {
            break;
        }
        char32_t c;
        const size_t length = b < 0x80 ? 1 : DecodeUtf8(p, end, c);
        p += length;
    }
    if (p == end) {
        return text;
    }
    scratch.assign(begin, p);
    while (p < end) {
        const auto b = static_cast<unsigned char>(*p);
        if (b < 0x80) {
            if (NeedsWork(p, end)) {
                AppendUtf8(scratch, kReplacementChar);
            } else {
                scratch += *p;
            }
            ++p;
            continue;
        }
        char32_t c;
        const size_t length = DecodeUtf8(p, end, c);
        if (length == 0 || !IsXmlChar(c)) {
            AppendUtf8(scratch, kReplacementChar);
            p += length == 0 ? 1 : length;
        } else {
            scratch.append(p, length);
            p += length;
        }
    }
    return scratch;
}

}  // namespace Norvik
