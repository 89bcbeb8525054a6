#pragma once

#include <string>
#include <string_view>

#include "CSchemaValidator.h"
#include "base/BackgroundWorker.h"

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

    void Begin(const std::string& name, bool trusted, bool mayBindSchemaInstance = true);
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

    CSchemaValidator& validator_;
    std::string block_;  // the worker's while it checks
    bool failed_ = false;
    bool fedOnce_ = false;
    BackgroundWorker worker_;  // last: stops before what it uses goes
};

}  // namespace Norvik
