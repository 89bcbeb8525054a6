#pragma once

#include <string_view>

// Character rules of XML 1.0 (fifth edition), shared by the writer and the
// name checks.
namespace Norvik {

// Char: tab, LF, CR, U+0020..U+D7FF, U+E000..U+FFFD, U+10000..U+10FFFF.
inline bool IsXmlChar(char32_t c) {
    return (c >= 0x20 && c <= 0xD7FF) || c == 0x9 || c == 0xA || c == 0xD ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsXmlNameStartChar(char32_t c);
bool IsXmlNameChar(char32_t c);

// Characters a name may hold under both XML 1.0 editions (the fourth
// edition's letter classes are narrower than the fifth's) and under the
// namespaces rules (no ':'), so that any parser accepts the name.
bool IsPortableNameStartChar(char32_t c);
bool IsPortableNameChar(char32_t c);

// Whether text is a well-formed XML Name (UTF-8).
bool IsXmlName(std::string_view text);

// text with every character XML 1.0 cannot hold (C0 controls other than tab,
// LF and CR; U+FFFE; U+FFFF) and every malformed UTF-8 byte replaced by
// U+FFFD. Returns text itself when nothing needs replacing, else a view of
// scratch.
std::string_view ReplaceNonXmlChars(std::string_view text, std::string& scratch);

}  // namespace Norvik
