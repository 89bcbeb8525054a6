#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "CSchemaValidator.h"

namespace Norvik {

// Checks a document on a thread of its own, one block behind the writer, so
// that validating a block overlaps making the next. The first block of a
// document is checked at once: a document written in one block never waits
// for a thread. A block found invalid is reported by the next call.
class BackgroundValidator {
public:
    explicit BackgroundValidator(CSchemaValidator& validator);
    ~BackgroundValidator();
    BackgroundValidator(const BackgroundValidator&) = delete;
    BackgroundValidator& operator=(const BackgroundValidator&) = delete;

    void Begin(const std::string& name, bool trusted);
    // False once the document is known to be invalid (an earlier block
    // included); the bytes are copied.
    bool Feed(std::string_view bytes);
    bool End();
    // The first error, after a false Feed or End.
    const CSchemaValidator::Failure& FirstError() const noexcept { return validator_.FirstError(); }
    std::string FailureText() const { return validator_.FailureText(); }

private:
    // Waits until the last handed-over block is checked; false if it failed.
    bool Settle();
    void Run();

    CSchemaValidator& validator_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string block_;  // owned by the worker while busy_
    bool busy_ = false;
    bool stop_ = false;
    bool failed_ = false;
    bool fedOnce_ = false;
};

}  // namespace Norvik
