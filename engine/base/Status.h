#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "ResultCode.h"

// The outcome of an engine operation: a result code from the one table and
// the detail text that says why, which the component and the editor append
// to the code's message. Success carries no detail.
//
// Operations that compose a run return a Status. The data source operations
// (Open and Validate give a code, a failing NextRow leaves HasError and
// ErrorText) and the definition's file operations (false and GetLastError)
// keep their own forms; FromCode bridges the first. Failures of the
// platform throw Norvik::PlatformError, which the run driver, the component
// and the editor's run command turn into a Status.
class Status {
public:
    Status() = default;
    // A code alone (kSuccess, or a failure that needs no detail); implicit,
    // so that a named code reads as a status.
    Status(ResultCode code) : code_(code) {}
    Status(ResultCode code, std::string detail) : code_(code), detail_(std::move(detail)) {}
    // A code that came as a number (a source's result code).
    static Status FromCode(int32_t code, std::string detail = {}) {
        Status status;
        status.code_ = code;
        if (code != kSuccess) {
            status.detail_ = std::move(detail);
        }
        return status;
    }

    bool IsOk() const noexcept { return code_ == kSuccess; }
    int32_t Code() const noexcept { return code_; }
    const std::string& Detail() const noexcept { return detail_; }

private:
    int32_t code_ = kSuccess;
    std::string detail_;
};
