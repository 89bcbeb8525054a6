#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "CSAXAttributes.h"
#include "OutputEncoder.h"
#include "io/CMemoryStream.h"

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
    // Whether the output is UTF-8 (the writer's own text, unchanged).
    bool IsUtf8() const noexcept;
    void SetIndent(bool indent) { indent_ = indent; }
    void SetStandalone(bool standalone) { standalone_ = standalone; }
    void SetOmitXMLDeclaration(bool omit) { omitDeclaration_ = omit; }
    // Whether the declaration names standalone (it then ends with LF, and
    // without it with CR LF, as stored documents have it).
    void SetStandaloneProperty(bool include) { standaloneProperty_ = include; }
    // Bytes written but not yet in the output stream (other encodings stage
    // UTF-8 until a flush).
    size_t PendingBytes() const noexcept { return stage_.size(); }
    // The encoding name the declaration gives.
    const std::string& DeclaredEncoding() const;
    // An element without content gets an end tag (<a></a>) instead of an
    // empty-element tag (<a/>), unless EndElement asks for the latter.
    void SetAlwaysEmitEndTags(bool always) { alwaysEmitEndTags_ = always; }
    // Characters XML cannot hold (and malformed UTF-8) in text, attribute
    // values and unescaped text become U+FFFD instead of refusing the call.
    void SetReplaceInvalidCharacters(bool replace) { replaceInvalid_ = replace; }
    // May change between calls: affects Characters only.
    void SetDisableOutputEscaping(bool disable) { disableEscaping_ = disable; }

    void StartDocument();
    void EndDocument();
    // namesChecked: the caller has found the element's and the attributes'
    // names writable before (names written again and again).
    void StartElement(std::string_view qualifiedName, const CSAXAttributes* attributes = nullptr,
                      bool namesChecked = false);
    // emptyElementTag: an element without content is written <a/> whatever
    // SetAlwaysEmitEndTags says (elements declared EMPTY).
    void EndElement(std::string_view qualifiedName, bool emptyElementTag = false);
    void Characters(std::string_view text);
    // StartElement, Characters and EndElement of an element holding only
    // text, in one call: what rows are mostly made of.
    void TextElement(std::string_view qualifiedName, std::string_view text, bool namesChecked,
                     bool emptyElementTag = false);
    // Several such elements in turn, inside an open element; their names
    // have been found writable.
    struct TextField {
        std::string_view name;
        std::string_view text;
        bool emptyElementTag;
        // Optional: "<name>" and "</name>", each in kTagBytes (padding past
        // them), for a caller that writes the same names row after row.
        const char* tags = nullptr;
    };
    static constexpr size_t kTagBytes = 32;
    // The tags of a name short enough for them, or an empty string.
    static std::string MakeTags(std::string_view name);
    void TextElements(std::span<const TextField> fields);
    // A row: an element (no attributes) holding such elements only, as
    // StartElement, TextElements and EndElement would write it.
    void TextRow(std::string_view qualifiedName, std::span<const TextField> fields,
                 bool emptyElementTag);
    // Characters with output escaping disabled for this call only.
    void UnescapedCharacters(std::string_view text);
    void ProcessingInstruction(std::string_view target, std::string_view data);
    void StartCDATA();
    void EndCDATA();
    // Moves everything written so far into the output stream.
    void Flush();

    // Pieces of one document written by several writers of the same
    // settings. A piece's writer starts inside the open element named
    // elementName, as if its start tag were closed and a child written,
    // and writes no declaration. Pieces encoded apart join to the bytes one
    // writer would write when EncodesInPieces.
    void ContinueInside(std::string_view elementName);
    // How far an open element has come: what the next child or its end
    // tag writes depends on it.
    struct OpenElement {
        bool startTagOpen = false;
        bool hasText = false;
        bool hasChildren = false;
        bool operator==(const OpenElement&) const = default;
    };
    // After ContinueInside: a piece that continues inside a child element
    // (named elementName) already written that far.
    void ContinueInsideChild(std::string_view elementName, const OpenElement& state);
    // The innermost open element's state.
    OpenElement Innermost() const noexcept;
    bool EncodesInPieces() const noexcept;
    // The document's own writer before a piece follows: the innermost open
    // element's start tag is closed as a child's would close it.
    void PrepareForPiece();
    // A piece's encoded bytes, after everything written so far.
    void AppendPiece(std::string_view encoded);

    size_t Depth() const noexcept { return depth_; }

    // Whether name is an XML name the output encoding can hold.
    bool IsWritableName(std::string_view name) const;
    // Throws (as a refused call would) unless the name is writable; what is
    // "element", "attribute" and so on.
    void CheckName(std::string_view name, const char* what);

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
        int cdataBrackets = 0;
    };

    template <typename Body>
    void Guarded(Body&& body);
    State SaveState() const {
        State state{startTagOpen_, inCData_, atLineStart_, rootClosed_,
                    depth_,        false,    false,        cdataBrackets_};
        if (depth_ > 0) {
            state.parentHasText = frames_[depth_ - 1].hasText;
            state.parentHasChildren = frames_[depth_ - 1].hasChildren;
        }
        return state;
    }
    void RestoreState(const State& state);

    void EnsureEncoder();
    void CloseStartTag();
    void BreakLineBeforeMarkup();
    void AppendNewLine(size_t depth);
    void AppendEscaped(std::string_view text, bool attribute);
    // The parts of an element, checks made: "<name" after what closes or
    // breaks the line before it; the open start tag's frame; the end tag
    // ("/>" or "</name>") and the frame's close.
    void BeginStartTag(std::string_view qualifiedName);
    void OpenFrame(std::string_view qualifiedName);
    void WriteEndTag(std::string_view qualifiedName, bool emptyElementTag);
    // One text element at depth_ + 1, without checks (see TextElement).
    void AppendTextElement(std::string_view name, std::string_view text, bool emptyElementTag);
    // Text elements in turn at depth_ + 1, through one claim of the buffer.
    void AppendTextElements(const TextField* fields, size_t count);
    void AppendCData(std::string_view text);
    void AppendRaw(std::string_view text);
    void AppendCharReference(char32_t c);
    // What stands for a character that cannot be written (refused unless
    // replacing).
    void AppendReplacement(ByteBuffer& dst, const std::string& message);
    // Writes the text from run up to p, then the replacement of the bad
    // sequence at p (length 0: a byte of invalid UTF-8; otherwise code point
    // c of that many bytes), and moves run and p past it.
    void ReplaceAt(ByteBuffer& dst, const char*& run, const char*& p, size_t length, char32_t c);
    // Moves p past the character at p, a byte of 0x80 or above: an ill-formed
    // sequence or a character XML forbids is replaced (ReplaceAt); one the
    // encoding lacks (checked when checkEncoding is set) is written as a
    // character reference, between close and reopen (which leave and enter a
    // CDATA section around it).
    void StepCharacter(ByteBuffer& dst, const char*& run, const char*& p, const char* end,
                       bool checkEncoding, std::string_view close = {},
                       std::string_view reopen = {});
    [[noreturn]] void Refuse(std::string message) const;
    std::string Context() const;

    CMemoryStream& output_;
    std::unique_ptr<OutputEncoder> encoder_;
    std::string encodingName_ = "UTF-16";
    ByteBuffer stage_;
    ByteBuffer* dst_ = nullptr;
    bool indent_ = false;
    bool standalone_ = false;
    bool omitDeclaration_ = false;
    bool standaloneProperty_ = true;
    bool alwaysEmitEndTags_ = false;
    bool replaceInvalid_ = false;
    bool disableEscaping_ = false;
    bool started_ = false;

    bool startTagOpen_ = false;
    bool inCData_ = false;
    // "]" ending the open CDATA section's content so far (at most 2): the
    // written text may already have gone to the stream.
    int cdataBrackets_ = 0;
    bool atLineStart_ = true;
    bool rootClosed_ = false;
    size_t depth_ = 0;
    std::vector<Frame> frames_;
    std::string indentText_ = "\n";
};

}  // namespace Norvik
