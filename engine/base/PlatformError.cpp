#include "PlatformError.h"

#include <cstdio>
#include <cstring>

namespace Norvik {

namespace {

constexpr int32_t kErrnoFacility = static_cast<int32_t>(0x80070000u);

struct KnownCode {
    int32_t code;
    const char* text;
};

constexpr KnownCode kKnownCodes[] = {
    {kEFail, "Unspecified error"},
    {kEPointer, "Invalid pointer"},
    {kEUnexpected, "Catastrophic failure"},
    {kEOutOfMemory, "Not enough memory resources are available to complete this operation."},
    {kEInvalidArg, "The parameter is incorrect."},
    {kDispTypeMismatch, "Type mismatch."},
    {kDispOverflow, "Out of present range."},
};

}  // namespace

int32_t CodeFromErrno(int err) {
    if (err <= 0 || err > 0xFFFF) {
        return kEFail;
    }
    return kErrnoFacility | err;
}

std::string ErrnoText(int err) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(err, buffer, sizeof buffer);
    return text ? text : "";
}

std::string SystemMessage(int32_t code) {
    for (const KnownCode& known : kKnownCodes) {
        if (known.code == code) {
            return known.text;
        }
    }
    if ((code & static_cast<int32_t>(0xFFFF0000u)) == kErrnoFacility) {
        return ErrnoText(code & 0xFFFF);
    }
    return {};
}

std::string FormatHResult(std::string_view text, int32_t code) {
    std::string result(text);
    result += "\r\n";
    std::string system = SystemMessage(code);
    if (system.empty()) {
        result += "Unknown Error " + std::to_string(code);
    } else {
        result += system;
    }
    return result;
}

PlatformError::PlatformError(int32_t code, std::string description)
    : code_(code), description_(std::move(description)) {}

}  // namespace Norvik
