#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Norvik {

// Reads the UTF-8 markup the writer produces, fed in pieces of any size, and
// reports elements and text with their namespaces resolved. It is not a
// general parser: it trusts the markup to be well-formed (the writer
// guarantees that for what it writes itself) and refuses what the writer never
// writes (a document type declaration, entities other than the predefined
// ones and character references) rather than guessing. Text is given as
// libxml2's streaming parser gives it: references replaced, line ends
// normalised to LF (not inside CDATA sections), attribute values with their
// white space normalised.
class XmlEventReader {
public:
    struct Name {
        std::string_view prefix;  // empty: none
        std::string_view local;
        std::string_view uri;  // empty: no namespace
    };
    struct Attribute {
        Name name;
        std::string_view value;
    };
    struct Namespace {
        std::string_view prefix;  // empty: the default namespace
        std::string_view uri;
    };

    class Events {
    public:
        virtual ~Events() = default;
        virtual void StartElement(const Name& name, std::span<const Namespace> declared,
                                  std::span<const Attribute> attributes) = 0;
        virtual void EndElement(const Name& name) = 0;
        // Text may come in several pieces.
        virtual void Characters(std::string_view text) = 0;
        // The text before is complete: markup follows (a comment or a
        // processing instruction may split a run of text in two).
        virtual void TextEnd() {}
    };

    explicit XmlEventReader(Events& events);

    // False once markup cannot be read (Error() says why).
    bool Feed(std::string_view bytes);
    // The end of the document: false when markup was left unfinished.
    bool Finish();

    const std::string& Error() const noexcept { return error_; }
    // Where the last event's markup ends, as libxml2 counts it (a start tag
    // at its closing '>' or "/>"): 1-based line and column (in characters)
    // and the bytes read up to there. Worked out when asked.
    int64_t Line() const;
    int64_t Column() const;
    int64_t Offset() const noexcept { return bufferOffset_ + static_cast<int64_t>(position_); }

private:
    // Reads what it can of data from at; returns how far it got.
    size_t Process(std::string_view data);
    bool Fail(std::string message);
    // One piece of markup starting with '<': its length, 0 when incomplete.
    size_t Markup(std::string_view data, size_t at);
    bool StartTag(std::string_view tag);
    bool EndTag(std::string_view tag);
    // Text with its references replaced, into out; false on a bad reference.
    bool Decode(std::string_view text, bool attribute, std::string& out);
    // Moves the position to the end of data's first used bytes.
    void Consume(std::string_view data, size_t used);
    // Finds the namespace binding of a name; false for an unbound prefix.
    bool Resolve(std::string_view qualified, bool element, size_t& colon, size_t& binding);
    Name NameOf(std::string_view qualified, size_t colon, size_t binding) const;
    // The '\n' bytes of text.
    static int64_t LineEnds(std::string_view text);

    Events& events_;
    std::string carry_;  // unread bytes of an unfinished piece of markup
    std::string error_;

    // Positions: the bytes being read, and the line, column and offset at
    // their start; position_ is where the last markup ends in them.
    std::string_view buffer_;
    size_t position_ = 0;
    bool textOpen_ = false;  // text was handed over and no markup came yet
    int64_t bufferLine_ = 1;
    int64_t bufferColumn_ = 1;
    int64_t bufferOffset_ = 0;

    struct Scope {
        std::string qualified;  // the element's name as written
        size_t bindings;        // size of bindings_ when it started
        size_t colon;           // in qualified; npos: no prefix
        size_t binding;         // of its namespace; kNoBinding, kXmlBinding
    };
    static constexpr size_t kNoBinding = SIZE_MAX;
    static constexpr size_t kXmlBinding = SIZE_MAX - 1;
    // The element's name, its views valid until scopes_ or bindings_ change.
    Name NameOf(const Scope& scope) const;
    struct Binding {
        std::string prefix;
        std::string uri;
    };
    std::vector<Scope> scopes_;  // the first depth_ are open
    size_t depth_ = 0;
    std::vector<Binding> bindings_;

    struct RawAttribute {
        std::string_view name;
        size_t value;  // index into values_
    };
    std::vector<RawAttribute> raw_;
    std::string text_;
    std::vector<std::string> values_;  // decoded attribute values
    std::vector<Attribute> attributes_;
    std::vector<Namespace> declared_;
};

}  // namespace Norvik
