#include "PreviewValidation.h"

#include <algorithm>
#include <regex>

#include "base/PlatformError.h"
#include "validate/CSchemaValidator.h"

namespace PreviewValidation {

namespace {

// The preview was decoded to UTF-8; a declaration naming another encoding
// would make the parser decode it again.
std::string AsUtf8Document(std::string_view text) {
    std::string document(text);
    if (document.compare(0, 5, "<?xml") != 0) {
        return document;
    }
    const size_t end = document.find("?>");
    if (end == std::string::npos) {
        return document;
    }
    static const std::regex encoding(R"(encoding\s*=\s*("[^"]*"|'[^']*'))");
    const std::string declaration = document.substr(0, end);
    document.replace(0, end, std::regex_replace(declaration, encoding, "encoding=\"UTF-8\""));
    return document;
}

bool LooksLikeXml(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '<';
}

int LineCount(std::string_view text) {
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

Outcome Check(const std::string& schema, std::string_view text, bool truncated) {
    Outcome outcome;
    if (schema.empty() || !LooksLikeXml(text)) {
        return outcome;
    }
    outcome.checked = true;
    try {
        Norvik::CSchemaValidator validator;
        if (!validator.Load(schema)) {
            outcome.valid = false;
            outcome.message = validator.LoadError();
            return outcome;
        }
        const std::string document = AsUtf8Document(text);
        validator.Begin("preview");
        bool ok = validator.Feed(document);
        // The end of a cut preview is not the end of the document.
        if (ok && !truncated) {
            ok = validator.End();
        }
        if (ok) {
            return outcome;
        }
        const Norvik::CSchemaValidator::Failure& failure = validator.FirstError();
        if (truncated && failure.line >= LineCount(text)) {
            return outcome;
        }
        outcome.valid = false;
        outcome.line = failure.line;
        outcome.column = failure.column;
        outcome.message = failure.message;
    } catch (const Norvik::PlatformError& error) {
        outcome.valid = false;
        outcome.message = error.Description();
    }
    return outcome;
}

}  // namespace PreviewValidation
