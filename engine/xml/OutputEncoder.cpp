#include "OutputEncoder.h"

#include <cerrno>
#include <cstring>

#include "OutputEncodings.h"
#include "base/PlatformError.h"
#include "base/TextUtil.h"

namespace Norvik {

namespace {

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

// Lower case without '-' and '_', so "UTF-8", "utf8" and "Utf_8" compare equal.
std::string CanonicalName(std::string_view name) {
    std::string canonical;
    for (char c : name) {
        if (c == '-' || c == '_') {
            continue;
        }
        canonical += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    return canonical;
}

// Encoding names go into the XML declaration, so they must be plain tokens.
bool IsEncodingName(std::string_view name) {
    if (name.empty() || name.size() > 64) {
        return false;
    }
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
        if (!ok) {
            return false;
        }
    }
    return true;
}

[[noreturn]] void Unavailable(std::string_view encoding) {
    throw PlatformError(kEEncodingUnavailable, "The output encoding \"" + std::string(encoding) +
                                                   "\" is not available on this system.");
}

}  // namespace

OutputEncoder::OutputEncoder(std::string_view encoding) {
    if (!IsEncodingName(encoding)) {
        Unavailable(encoding);
    }
    std::string converter(encoding);
    declared_.assign(encoding);
    if (const OutputEncodingInfo* info = FindOutputEncoding(encoding)) {
        if (!info->converter) {
            Unavailable(encoding);
        }
        converter = info->converter;
        declared_ = info->declared;
        asciiDeclaration_ = info->asciiDeclaration;
    }
    const std::string canonical = CanonicalName(converter);
    if (canonical == "utf8") {
        kind_ = Kind::kUtf8;
    } else if (canonical == "utf16") {
        kind_ = Kind::kUtf16;
    } else if (canonical == "utf16le") {
        kind_ = Kind::kUtf16LE;
    } else if (canonical == "utf16be") {
        kind_ = Kind::kUtf16BE;
    } else {
        convert_ = iconv_open(converter.c_str(), "UTF-8");
        probe_ = iconv_open(converter.c_str(), "UTF-8");
        if (convert_ == kNoIconv || probe_ == kNoIconv) {
            if (convert_ != kNoIconv) {
                iconv_close(convert_);
            }
            if (probe_ != kNoIconv) {
                iconv_close(probe_);
            }
            Unavailable(encoding);
        }
        kind_ = Kind::kIconv;
    }
}

OutputEncoder::~OutputEncoder() {
    if (convert_ != kNoIconv) {
        iconv_close(convert_);
    }
    if (probe_ != kNoIconv) {
        iconv_close(probe_);
    }
}

bool OutputEncoder::CanEncode(char32_t c) {
    if (kind_ != Kind::kIconv || c < 0x80) {
        return true;
    }
    if (c < 0x10000) {
        if (bmpKnown_.empty()) {
            bmpKnown_.assign(0x10000, 0);
        }
        uint8_t& known = bmpKnown_[c];
        if (known == 0) {
            known = ProbeIconv(c) ? 1 : 2;
        }
        return known == 1;
    }
    auto it = astralKnown_.find(c);
    if (it == astralKnown_.end()) {
        it = astralKnown_.emplace(c, ProbeIconv(c)).first;
    }
    return it->second;
}

bool OutputEncoder::ProbeIconv(char32_t c) {
    std::string in;
    AppendUtf8(in, c);
    char outBuffer[32];
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = outBuffer;
    size_t outLeft = sizeof outBuffer;
    iconv(probe_, nullptr, nullptr, nullptr, nullptr);
    const size_t result = iconv(probe_, &inPtr, &inLeft, &outPtr, &outLeft);
    // glibc counts characters it replaced (transliterated) as irreversible; those
    // would change the text, so they count as missing.
    return result == 0 && inLeft == 0;
}

void OutputEncoder::WriteByteOrderMark(CMemoryStream& out, bool declared) const {
    // UTF-16 text is recognised by its byte order mark or by a declaration;
    // UTF-16LE and UTF-16BE go without the mark only when they are declared.
    if (kind_ == Kind::kUtf16 || (kind_ == Kind::kUtf16LE && !declared)) {
        out.Write("\xFF\xFE", 2);
    } else if (kind_ == Kind::kUtf16BE && !declared) {
        out.Write("\xFE\xFF", 2);
    }
}

void OutputEncoder::Encode(std::string_view utf8, CMemoryStream& out) {
    switch (kind_) {
        case Kind::kUtf8:
            out.Write(utf8);
            break;
        case Kind::kUtf16:
        case Kind::kUtf16LE:
            EncodeUtf16(utf8, out, false);
            break;
        case Kind::kUtf16BE:
            EncodeUtf16(utf8, out, true);
            break;
        case Kind::kIconv:
            EncodeIconv(utf8, out);
            break;
    }
}

void OutputEncoder::EncodeUtf16(std::string_view utf8, CMemoryStream& out, bool bigEndian) const {
    ByteBuffer& buffer = out.Buffer();
    const size_t start = buffer.size();
    // At most two bytes of output per input byte (4-byte sequences give 4 bytes).
    buffer.resize(start + 2 * utf8.size());
    auto* dst = reinterpret_cast<unsigned char*>(buffer.data() + start);
    auto put = [&dst, bigEndian](char32_t unit) {
        if (bigEndian) {
            *dst++ = static_cast<unsigned char>(unit >> 8);
            *dst++ = static_cast<unsigned char>(unit & 0xFF);
        } else {
            *dst++ = static_cast<unsigned char>(unit & 0xFF);
            *dst++ = static_cast<unsigned char>(unit >> 8);
        }
    };
    const char* p = utf8.data();
    const char* end = p + utf8.size();
    const int low = bigEndian ? 1 : 0;
    while (p < end) {
        // Markup is mostly ASCII: widen eight bytes at a time.
        if (end - p >= 8) {
            uint64_t word;
            std::memcpy(&word, p, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                for (int i = 0; i < 8; ++i) {
                    dst[2 * i + low] = static_cast<unsigned char>(p[i]);
                    dst[2 * i + 1 - low] = 0;
                }
                dst += 16;
                p += 8;
                continue;
            }
        }
        const auto b = static_cast<unsigned char>(*p);
        if (b < 0x80) {
            put(b);
            ++p;
            continue;
        }
        char32_t c;
        size_t length = DecodeUtf8(p, end, c);
        if (length == 0) {
            c = kReplacementChar;
            length = 1;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        } else {
            put(c);
        }
        p += length;
    }
    buffer.resize(reinterpret_cast<char*>(dst) - buffer.data());
}

void OutputEncoder::EncodeIconv(std::string_view utf8, CMemoryStream& out) {
    ByteBuffer& buffer = out.Buffer();
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    while (inLeft > 0) {
        const size_t start = buffer.size();
        const size_t room = inLeft * 4 + 16;
        buffer.resize(start + room);
        char* outPtr = buffer.data() + start;
        size_t outLeft = room;
        const size_t result = iconv(convert_, &in, &inLeft, &outPtr, &outLeft);
        buffer.resize(buffer.size() - outLeft);
        if (result != static_cast<size_t>(-1) || errno == E2BIG) {
            continue;
        }
        if (errno == EILSEQ) {
            // Only reachable for text that skipped the CanEncode check; a
            // character reference keeps the document well-formed in content.
            char32_t c;
            size_t length = DecodeUtf8(in, in + inLeft, c);
            if (length == 0) {
                length = 1;
                c = kReplacementChar;
            }
            std::string reference = "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
            in += length;
            inLeft -= length;
            EncodeIconv(reference, out);
            continue;
        }
        throw PlatformError(CodeFromErrno(errno),
                            "Could not convert the output to the requested encoding");
    }
}

void OutputEncoder::Finish(CMemoryStream& out) {
    if (kind_ != Kind::kIconv) {
        return;
    }
    char buffer[64];
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(convert_, nullptr, nullptr, &outPtr, &outLeft);
    out.Write(buffer, sizeof buffer - outLeft);
}

}  // namespace Norvik
