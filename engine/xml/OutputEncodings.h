#pragma once

#include <span>
#include <string>
#include <string_view>

namespace Norvik {

// An output encoding offered to users: what the definition stores, the
// converter that writes it here, and the name the XML declaration gives so
// that parsers read it back.
struct OutputEncodingInfo {
    const char* language;   // "Western European"
    const char* name;       // stored in the definition: "windows-1252"
    const char* converter;  // iconv's name, or null when none exists here
    const char* declared;   // the XML declaration's name
    // The declaration must stay plain ASCII although the converter would
    // not write it so (UTF-7 shifts "<" and "?"; ISO-2022-KR opens with an
    // escape sequence).
    bool asciiDeclaration;
};

// The 53 encodings, in the order the output options list them.
std::span<const OutputEncodingInfo> OutputEncodings();
// The entry of a stored name (letter case ignored); null for other names.
const OutputEncodingInfo* FindOutputEncoding(std::string_view name);
// Whether a converter for the entry exists on this system.
bool IsOutputEncodingAvailable(const OutputEncodingInfo& info);
// "Western European (windows-1252)".
std::string OutputEncodingLabel(const OutputEncodingInfo& info);

}  // namespace Norvik
