#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace Norvik {

// Where and why a document could not be parsed (the first fatal error).
struct XmlParseError {
    std::string url;
    int line = 0;
    int linepos = 0;
    std::string reason;
};

// "XML Parser Error", then "\r\nURL: …", "\r\nLine …", ", Position …" and
// "\r\nDescription: …": how a failed parse is reported everywhere.
std::string FormatParseError(const XmlParseError& error);

// Non-owning view of an element of a CXMLDocument; valid while the document lives.
class XmlElement {
public:
    XmlElement() = default;
    explicit XmlElement(_xmlNode* node) : node_(node) {}

    explicit operator bool() const noexcept { return node_ != nullptr; }
    std::string_view Name() const;
    // All text below the element, in document order, white space kept.
    std::string Text() const;
    // Nothing when the attribute is absent.
    std::optional<std::string> Attribute(std::string_view name) const;
    // The first child element with this name, or an empty handle.
    XmlElement FirstChild(std::string_view name) const;
    // Child elements in order; all of them when name is empty.
    std::vector<XmlElement> Children(std::string_view name = {}) const;

    _xmlNode* Node() const noexcept { return node_; }

private:
    _xmlNode* node_ = nullptr;
};

// A parsed XML document (libxml2). Parsing never touches the network, never
// loads external entities or DTDs, and keeps white-space-only text.
class CXMLDocument {
public:
    CXMLDocument();
    ~CXMLDocument();
    CXMLDocument(const CXMLDocument&) = delete;
    CXMLDocument& operator=(const CXMLDocument&) = delete;

    // False when the file cannot be read or parsed; ParseError() tells why.
    bool Load(const std::string& path);
    bool LoadFromMemory(std::string_view bytes, const std::string& url);

    const XmlParseError& ParseError() const noexcept { return error_; }
    XmlElement DocumentElement() const;
    // The parsed tree, for the XSL step; null when nothing is loaded.
    _xmlDoc* Document() const noexcept { return doc_; }
    // Hands the parsed tree to the caller, who frees it.
    _xmlDoc* ReleaseDocument();

    // Elements with this name anywhere in the document, in document order.
    const std::vector<XmlElement>& ElementsByTagName(std::string_view name) const;
    XmlElement FirstElementByTagName(std::string_view name) const;

private:
    bool Parse(const char* path, std::string_view bytes, const std::string& url);
    void Release();
    void BuildIndex() const;

    _xmlDoc* doc_ = nullptr;
    XmlParseError error_;
    mutable bool indexed_ = false;
    mutable std::unordered_map<std::string, std::vector<XmlElement>> byName_;
};

}  // namespace Norvik
