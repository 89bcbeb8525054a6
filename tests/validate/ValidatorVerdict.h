#pragma once

#include <string>
#include <string_view>

#include "validate/CSchemaValidator.h"

namespace testsupport {

struct Verdict {
    bool valid;
    std::string text;  // "line L, column C: message" when not valid
};

// Checks a document fed in pieces of seven bytes, so that markup and text
// straddle the pieces.
inline Verdict CheckDocument(Norvik::CSchemaValidator& validator, const std::string& document,
                             bool trusted, bool mayBindSchemaInstance = true) {
    validator.Begin("doc.xml", trusted, mayBindSchemaInstance);
    bool ok = true;
    for (size_t at = 0; at < document.size() && ok; at += 7) {
        ok = validator.Feed(std::string_view(document).substr(at, 7));
    }
    ok = ok && validator.End();
    return {ok, ok ? std::string() : validator.FailureText()};
}

}  // namespace testsupport
