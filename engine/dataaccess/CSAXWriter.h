#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CMemoryStream.h"
#include "CSAXAttributes.h"
#include "OutputEncoder.h"

namespace Norvik {

// A streaming SAX-style XML writer. Events append to the output memory stream
// (in the requested encoding) and the result is always well-formed XML 1.0:
// a call that cannot be honoured (a character XML forbids, invalid UTF-8, a bad
// name, a duplicate attribute, a mismatched end tag) throws PlatformError and
// leaves the output exactly as it was before the call. Text written with output
// escaping disabled is the caller's markup and is only checked for encoding.
//
// Characters the output encoding lacks become character references in text and
// attribute values, and split a CDATA section around a reference; in names and
// processing instructions they are refused.
//
// Bytes reach the stream at Flush, at EndDocument and whenever the internal
// staging buffer grows past a threshold; with UTF-8 output they go straight in.
class CSAXWriter {
public:
    explicit CSAXWriter(CMemoryStream& output);
    ~CSAXWriter();
    CSAXWriter(const CSAXWriter&) = delete;
    CSAXWriter& operator=(const CSAXWriter&) = delete;

    // Properties, set before StartDocument. The default encoding is "UTF-16".
    void SetEncoding(std::string_view encoding);
    void SetIndent(bool indent) { indent_ = indent; }
    void SetStandalone(bool standalone) { standalone_ = standalone; }
    void SetOmitXMLDeclaration(bool omit) { omitDeclaration_ = omit; }
    // An element without content gets an end tag (<a></a>) instead of an
    // empty-element tag (<a/>), unless EndElement asks for the latter.
    void SetAlwaysEmitEndTags(bool always) { alwaysEmitEndTags_ = always; }
    // May change between calls: affects Characters only.
    void SetDisableOutputEscaping(bool disable) { disableEscaping_ = disable; }

    void StartDocument();
    void EndDocument();
    void StartElement(std::string_view qualifiedName, const CSAXAttributes* attributes = nullptr);
    // emptyElementTag: an element without content is written <a/> whatever
    // SetAlwaysEmitEndTags says (elements declared EMPTY).
    void EndElement(std::string_view qualifiedName, bool emptyElementTag = false);
    void Characters(std::string_view text);
    void ProcessingInstruction(std::string_view target, std::string_view data);
    void StartCDATA();
    void EndCDATA();
    // Moves everything written so far into the output stream.
    void Flush();

    size_t Depth() const noexcept { return depth_; }

private:
    struct Frame {
        std::string name;
        bool hasText = false;
        bool hasChildren = false;
    };
    struct State {
        bool startTagOpen = false;
        bool inCData = false;
        bool atLineStart = true;
        bool rootClosed = false;
        size_t depth = 0;
        bool parentHasText = false;
        bool parentHasChildren = false;
    };

    template <typename Body>
    void Guarded(Body&& body);
    State SaveState() const;
    void RestoreState(const State& state);

    void EnsureEncoder();
    void CloseStartTag();
    void BreakLineBeforeMarkup();
    void AppendNewLine(size_t depth);
    void AppendEscaped(std::string_view text, bool attribute);
    void AppendCData(std::string_view text);
    void AppendRaw(std::string_view text);
    void AppendCharReference(char32_t c);
    void CheckName(std::string_view name, const char* what);
    [[noreturn]] void Refuse(std::string message) const;
    std::string Context() const;

    CMemoryStream& output_;
    std::unique_ptr<OutputEncoder> encoder_;
    std::string encodingName_ = "UTF-16";
    std::string stage_;
    std::string* dst_ = nullptr;
    bool indent_ = false;
    bool standalone_ = false;
    bool omitDeclaration_ = false;
    bool alwaysEmitEndTags_ = false;
    bool disableEscaping_ = false;
    bool started_ = false;

    bool startTagOpen_ = false;
    bool inCData_ = false;
    bool atLineStart_ = true;
    bool rootClosed_ = false;
    size_t depth_ = 0;
    std::vector<Frame> frames_;
    std::string indentText_ = "\n";
};

}  // namespace Norvik
