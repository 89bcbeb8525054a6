#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace Norvik {

// Failure codes keep the values of the platform codes that callers and stored
// logs already know, so a code means the same thing everywhere in the suite.
inline constexpr int32_t kSOk = 0;
inline constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t kEPointer = static_cast<int32_t>(0x80004003u);
inline constexpr int32_t kEUnexpected = static_cast<int32_t>(0x8000FFFFu);
inline constexpr int32_t kEOutOfMemory = static_cast<int32_t>(0x8007000Eu);
inline constexpr int32_t kEInvalidArg = static_cast<int32_t>(0x80070057u);
inline constexpr int32_t kDispTypeMismatch = static_cast<int32_t>(0x80020005u);
inline constexpr int32_t kDispOverflow = static_cast<int32_t>(0x8002000Au);
// No converter writes the requested output encoding. Its description says it
// all, so it has no system text of its own.
inline constexpr int32_t kEEncodingUnavailable = static_cast<int32_t>(0x80040201u);

// Code for an errno value, in the same family as the other failure codes.
int32_t CodeFromErrno(int err);

// The system's text for an errno value (thread-safe).
std::string ErrnoText(int err);

// The system's text for a failure code; empty when there is none.
std::string SystemMessage(int32_t code);

// "<text>\r\n<system text>", or "<text>\r\nUnknown Error <code>" when the code has no text.
std::string FormatHResult(std::string_view text, int32_t code);

// The one exception type for platform failures (I/O, conversions, XML services).
// Engine operations turn it into a result code at the run driver and the component.
class PlatformError : public std::exception {
public:
    PlatformError(int32_t code, std::string description);

    int32_t Code() const noexcept { return code_; }
    const std::string& Description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    int32_t code_;
    std::string description_;
};

}  // namespace Norvik
