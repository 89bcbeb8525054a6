#pragma once

#include <iconv.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "io/CMemoryStream.h"

namespace Norvik {

// Turns the writer's UTF-8 into the bytes of the requested output encoding.
// UTF-8 and UTF-16 are done here; any other encoding goes through iconv, a
// buffer at a time. Callers check CanEncode before writing a character that the
// encoding may lack, so a conversion never meets an unmappable character.
class OutputEncoder {
public:
    // The listed names (OutputEncodings) go through the converter their entry
    // names; other names straight to iconv. Throws PlatformError
    // (kEEncodingUnavailable) for a name that is malformed or that no
    // converter on this system writes.
    explicit OutputEncoder(std::string_view encoding);
    ~OutputEncoder();
    OutputEncoder(const OutputEncoder&) = delete;
    OutputEncoder& operator=(const OutputEncoder&) = delete;

    bool IsUtf8() const noexcept { return kind_ == Kind::kUtf8; }
    // The name for the XML declaration, which parsers know.
    const std::string& DeclaredName() const noexcept { return declared_; }
    // The declaration goes out as plain ASCII, not through the converter.
    bool WritesAsciiDeclaration() const noexcept { return asciiDeclaration_; }
    // Whether characters beyond ASCII may be missing from the encoding.
    bool MayLackCharacters() const noexcept { return kind_ == Kind::kIconv; }
    bool CanEncode(char32_t c);

    // Byte order mark to begin a document with (plain "UTF-16" only).
    // declared: an XML declaration naming the encoding follows.
    void WriteByteOrderMark(CMemoryStream& out, bool declared) const;
    // utf8 must hold whole, well-formed characters.
    void Encode(std::string_view utf8, CMemoryStream& out);
    // Returns a stateful encoding to its initial shift state at document end.
    void Finish(CMemoryStream& out);

private:
    enum class Kind { kUtf8, kUtf16, kUtf16LE, kUtf16BE, kIconv };

    void EncodeUtf16(std::string_view utf8, CMemoryStream& out, bool bigEndian) const;
    void EncodeIconv(std::string_view utf8, CMemoryStream& out);
    bool ProbeIconv(char32_t c);

    Kind kind_ = Kind::kUtf8;
    std::string declared_;
    bool asciiDeclaration_ = false;
    iconv_t convert_ = reinterpret_cast<iconv_t>(-1);
    iconv_t probe_ = reinterpret_cast<iconv_t>(-1);
    std::vector<uint8_t> bmpKnown_;  // 0 unknown, 1 encodable, 2 not encodable
    std::unordered_map<char32_t, bool> astralKnown_;
};

}  // namespace Norvik
