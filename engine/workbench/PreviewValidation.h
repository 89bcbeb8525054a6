#pragma once

#include <string>
#include <string_view>

// Checks the output preview against the definition's validation schema, off
// the user interface thread. The preview holds the start of the output only:
// when it was cut, errors its end would cause (an element left open, a last
// line cut short) are not reported.
namespace PreviewValidation {

struct Outcome {
    bool checked = false;  // a schema is named and the text is XML
    bool valid = true;
    int line = 0;  // 1-based; 0 when no line is to blame (the schema failed)
    int column = 0;
    std::string message;  // the validator's text, or why the schema failed
};

// text: the preview as shown (UTF-8, whatever encoding its declaration
// names); truncated: it is the start of a longer output. Nothing is checked
// without a schema or when text is not XML (a failed run's message).
Outcome Check(const std::string& schema, std::string_view text, bool truncated);

}  // namespace PreviewValidation
