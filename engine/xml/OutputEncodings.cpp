#include "OutputEncodings.h"

#include <iconv.h>
#include <strings.h>

#include <array>

namespace Norvik {

namespace {

// Stored names that no converter knows map to one that writes the same
// characters: ks_c_5601-1987 is Windows' code page 949, x-Chinese-CNS is
// CNS 11643 (EUC-TW), x-Chinese-Eten is Big5, the IA5 variants are the ISO 646
// national versions, iso-8859-8-i differs from iso-8859-8 only in display
// direction, and the unicode-x-y names are UTF-8 and UTF-16. Parsers read
// ISO-10646-UCS-2 big-endian. HZ has no converter on this system.
constexpr std::array<OutputEncodingInfo, 53> kEncodings = {{
    {"Arabic", "ASMO-708", "ASMO-708", "ASMO-708", false},
    {"Arabic", "iso-8859-6", "ISO-8859-6", "iso-8859-6", false},
    {"Arabic", "windows-1256", "WINDOWS-1256", "windows-1256", false},
    {"Baltic", "iso-8859-4", "ISO-8859-4", "iso-8859-4", false},
    {"Baltic", "windows-1257", "WINDOWS-1257", "windows-1257", false},
    {"Central European", "iso-8859-2", "ISO-8859-2", "iso-8859-2", false},
    {"Central European", "windows-1250", "WINDOWS-1250", "windows-1250", false},
    {"Chinese Simplified", "EUC-CN", "EUC-CN", "EUC-CN", false},
    {"Chinese Simplified", "gb2312", "GB2312", "gb2312", false},
    {"Chinese Simplified", "hz-gb-2312", nullptr, "hz-gb-2312", false},
    {"Chinese Traditional", "big5", "BIG5", "big5", false},
    {"Chinese Traditional", "x-Chinese-CNS", "EUC-TW", "EUC-TW", false},
    {"Chinese Traditional", "x-Chinese-Eten", "BIG5", "Big5", false},
    {"Cyrillic", "iso-8859-5", "ISO-8859-5", "iso-8859-5", false},
    {"Cyrillic", "koi8-r", "KOI8-R", "koi8-r", false},
    {"Cyrillic", "koi8-u", "KOI8-U", "koi8-u", false},
    {"Cyrillic", "windows-1251", "WINDOWS-1251", "windows-1251", false},
    {"German", "x-IA5-German", "ISO646-DE", "ISO646-DE", false},
    {"Greek", "iso-8859-7", "ISO-8859-7", "iso-8859-7", false},
    {"Greek", "windows-1253", "WINDOWS-1253", "windows-1253", false},
    {"Hebrew Logical", "iso-8859-8-i", "ISO-8859-8", "ISO-8859-8", false},
    {"Hebrew Visual", "iso-8859-8", "ISO-8859-8", "iso-8859-8", false},
    {"Hebrew", "windows-1255", "WINDOWS-1255", "windows-1255", false},
    {"Japanese", "euc-jp", "EUC-JP", "euc-jp", false},
    {"Japanese", "iso-2022-jp", "ISO-2022-JP", "iso-2022-jp", false},
    {"Japanese", "csISO2022JP", "ISO-2022-JP", "csISO2022JP", false},
    {"Japanese", "shift_jis", "SHIFT_JIS", "shift_jis", false},
    {"Korean", "ks_c_5601-1987", "CP949", "CP949", false},
    {"Korean", "euc-kr", "EUC-KR", "euc-kr", false},
    {"Korean", "iso-2022-kr", "ISO-2022-KR", "iso-2022-kr", true},
    {"Korean", "Johab", "JOHAB", "Johab", false},
    {"Latin 3", "iso-8859-3", "ISO-8859-3", "iso-8859-3", false},
    {"Latin 9", "iso-8859-15", "ISO-8859-15", "iso-8859-15", false},
    {"Norwegian", "x-IA5-Norwegian", "ISO646-NO", "ISO646-NO", false},
    {"OEM United States", "IBM437", "IBM437", "IBM437", false},
    {"Swedish", "x-IA5-Swedish", "ISO646-SE", "ISO646-SE", false},
    {"Thai", "windows-874", "WINDOWS-874", "windows-874", false},
    {"Turkish", "iso-8859-9", "ISO-8859-9", "iso-8859-9", false},
    {"Turkish", "windows-1254", "WINDOWS-1254", "windows-1254", false},
    {"Unicode", "utf-7", "UTF-7", "utf-7", true},
    {"Unicode", "utf-8", "UTF-8", "utf-8", false},
    {"US ASCII", "us-ascii", "US-ASCII", "us-ascii", false},
    {"Vietnamese", "windows-1258", "WINDOWS-1258", "windows-1258", false},
    {"Western European", "windows-1252", "WINDOWS-1252", "windows-1252", false},
    {"Western European", "x-IA5", "US-ASCII", "US-ASCII", false},
    {"Western European", "iso-8859-1", "ISO-8859-1", "iso-8859-1", false},
    {"Unicode", "utf-16", "UTF-16", "utf-16", false},
    {"Unicode", "ucs-2", "UCS-2", "ucs-2", false},
    {"Unicode", "ucs-4", "UCS-4", "ucs-4", false},
    {"Unicode", "iso-10646-ucs-2", "UCS-2BE", "ISO-10646-UCS-2", false},
    {"Unicode", "unicode-1-1-utf-8", "UTF-8", "UTF-8", false},
    {"Unicode", "unicode-2-0-utf-16", "UTF-16", "UTF-16", false},
    {"Unicode", "unicode-2-0-utf-8", "UTF-8", "UTF-8", false},
}};

}  // namespace

std::span<const OutputEncodingInfo> OutputEncodings() {
    return kEncodings;
}

const OutputEncodingInfo* FindOutputEncoding(std::string_view name) {
    for (const OutputEncodingInfo& info : kEncodings) {
        const std::string_view stored(info.name);
        if (stored.size() == name.size() &&
            strncasecmp(stored.data(), name.data(), name.size()) == 0) {
            return &info;
        }
    }
    return nullptr;
}

bool IsOutputEncodingAvailable(const OutputEncodingInfo& info) {
    if (!info.converter) {
        return false;
    }
    const iconv_t probe = iconv_open(info.converter, "UTF-8");
    if (probe == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    iconv_close(probe);
    return true;
}

std::string OutputEncodingLabel(const OutputEncodingInfo& info) {
    return std::string(info.language) + " (" + info.name + ")";
}

}  // namespace Norvik
