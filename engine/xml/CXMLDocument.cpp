#include "CXMLDocument.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>

#include <cctype>
#include <climits>
#include <fstream>
#include <iterator>
#include <mutex>

#include "LoadFailures.h"
#include "io/FetchResource.h"

namespace Norvik {

namespace {

// libxml2 has one process-wide external entity loader, and it is this one. It
// refuses every load while this thread parses a document that must stay
// self-contained, and every entity or DTD that a document names. What is left
// are the documents libxml2 and libxslt load themselves (schema includes and
// imports, xsl:import and xsl:include, document()): they are looked up in the
// XML catalogs first and then read from the file or fetched by libcurl, as
// ours are; libxml2's own HTTP and FTP clients are never used.
thread_local int blockExternalLoads = 0;

// "http:", "ftp:", "urn:"…; not a path (nor a one-letter drive).
bool HasScheme(std::string_view location) {
    const size_t colon = location.find(':');
    if (colon == std::string_view::npos || colon < 2 ||
        !std::isalpha(static_cast<unsigned char>(location[0]))) {
        return false;
    }
    for (size_t i = 1; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(location[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

// Fetched bytes as the input a parser reads, named for relative references.
xmlParserInputPtr FromMemory(xmlParserCtxtPtr context, const std::string& bytes,
                             const std::string& name) {
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
        return nullptr;
    }
    // Copies the bytes.
    xmlParserInputBufferPtr buffer = xmlParserInputBufferCreateMem(
        bytes.data(), static_cast<int>(bytes.size()), XML_CHAR_ENCODING_NONE);
    if (!buffer) {
        return nullptr;
    }
    xmlParserInputPtr input = xmlNewIOInputStream(context, buffer, XML_CHAR_ENCODING_NONE);
    if (!input) {
        xmlFreeParserInputBuffer(buffer);
        return nullptr;
    }
    input->filename =
        reinterpret_cast<const char*>(xmlStrdup(reinterpret_cast<const xmlChar*>(name.c_str())));
    return input;
}

xmlParserInputPtr GuardedLoader(const char* url, const char*, xmlParserCtxtPtr context) {
    // An entity or DTD is loaded while the context reads the document that
    // names it, or (an external parsed entity) in a context of its own whose
    // input_id follows the document's: a document's context has made none yet.
    if (blockExternalLoads > 0 || !url || !context || context->inputNr > 0 ||
        context->input_id > 1) {
        return nullptr;
    }
    const std::string location = ResolveLocation(url);
    // Reasons name what was asked for and where the catalogs sent it.
    const std::string asked =
        location == url ? std::string() : std::string(url) + ": the XML catalogs map it to ";
    if (IsNetworkUrl(location)) {
        if (context->options & XML_PARSE_NONET) {
            LoadFailures::Note(asked + location + ": the network is not used here");
            return nullptr;
        }
        std::string bytes;
        std::string error;
        if (!FetchResolved(location, bytes, error)) {
            LoadFailures::Note(asked + error);
            return nullptr;
        }
        return FromMemory(context, bytes, location);
    }
    // Paths and file: URLs (which LocalPath changes) only: libxml2 would hand
    // ftp: and the like to its own clients.
    if (HasScheme(location) && LocalPath(location) == location) {
        LoadFailures::Note(asked + location + ": only files and http(s) URLs are read");
        return nullptr;
    }
    // A file streams as libxml2 reads it, compressed or not.
    xmlParserInputPtr input = xmlNewInputFromFile(context, location.c_str());
    if (!input) {
        LoadFailures::Note(asked + location + ": the file cannot be read");
    }
    return input;
}

void InitialiseLibxml() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(GuardedLoader);
    });
}

struct ErrorSink {
    XmlParseError* error;
    int level = 0;
};

// Keeps the first fatal error (what stopped the parse), else the first error.
void CollectError(void* userData, xmlErrorPtr error) {
    auto* context = static_cast<xmlParserCtxtPtr>(userData);
    auto* sink = context ? static_cast<ErrorSink*>(context->_private) : nullptr;
    if (!sink || !error || error->level < XML_ERR_ERROR || error->level <= sink->level) {
        return;
    }
    sink->level = error->level;
    sink->error->line = error->line;
    sink->error->linepos = error->int2;
    std::string reason = error->message ? error->message : "Unknown error";
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) {
        reason.pop_back();
    }
    sink->error->reason = reason;
    if (error->file) {
        sink->error->url = error->file;
    }
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

std::string FormatParseError(const XmlParseError& error) {
    return "XML Parser Error\r\nURL: " + error.url + "\r\nLine " + std::to_string(error.line) +
           ", Position " + std::to_string(error.linepos) + "\r\nDescription: " + error.reason;
}

std::string_view XmlElement::Name() const {
    if (!node_ || !node_->name) {
        return {};
    }
    return reinterpret_cast<const char*>(node_->name);
}

std::string XmlElement::Text() const {
    if (!node_) {
        return {};
    }
    xmlChar* content = xmlNodeGetContent(node_);
    if (!content) {
        return {};
    }
    std::string text(reinterpret_cast<const char*>(content));
    xmlFree(content);
    return text;
}

std::optional<std::string> XmlElement::Attribute(std::string_view name) const {
    if (!node_) {
        return std::nullopt;
    }
    for (xmlAttrPtr attribute = node_->properties; attribute; attribute = attribute->next) {
        if (attribute->ns == nullptr && attribute->name &&
            name == reinterpret_cast<const char*>(attribute->name)) {
            xmlChar* value = xmlNodeListGetString(node_->doc, attribute->children, 1);
            std::string text = value ? reinterpret_cast<const char*>(value) : "";
            xmlFree(value);
            return text;
        }
    }
    return std::nullopt;
}

XmlElement XmlElement::FirstChild(std::string_view name) const {
    if (!node_) {
        return {};
    }
    for (xmlNodePtr child = node_->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && name == reinterpret_cast<const char*>(child->name)) {
            return XmlElement(child);
        }
    }
    return {};
}

std::vector<XmlElement> XmlElement::Children(std::string_view name) const {
    std::vector<XmlElement> children;
    if (!node_) {
        return children;
    }
    for (xmlNodePtr child = node_->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE &&
            (name.empty() || name == reinterpret_cast<const char*>(child->name))) {
            children.emplace_back(child);
        }
    }
    return children;
}

CXMLDocument::CXMLDocument() {
    InitialiseLibxml();
}

CXMLDocument::~CXMLDocument() {
    Release();
}

void CXMLDocument::Release() {
    if (doc_) {
        xmlFreeDoc(doc_);
        doc_ = nullptr;
    }
    indexed_ = false;
    byName_.clear();
    error_ = {};
}

bool CXMLDocument::Load(const std::string& path) {
    Release();
    std::string bytes;
    if (path.empty() || !ReadWholeFile(path, bytes)) {
        error_.url = path;
        error_.reason = "The system cannot open the file.";
        return false;
    }
    return Parse(path.c_str(), bytes, path);
}

bool CXMLDocument::LoadFromMemory(std::string_view bytes, const std::string& url) {
    Release();
    return Parse(url.c_str(), bytes, url);
}

bool CXMLDocument::Parse(const char* path, std::string_view bytes, const std::string& url) {
    error_.url = url;
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
        error_.reason = "The document is too large.";
        return false;
    }
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) {
        error_.reason = "Out of memory";
        return false;
    }
    ErrorSink sink{&error_};
    context->_private = &sink;
    context->sax->serror = CollectError;
    context->userData = context;

    ++blockExternalLoads;
    doc_ = xmlCtxtReadMemory(context, bytes.data(), static_cast<int>(bytes.size()), path, nullptr,
                             XML_PARSE_NONET | XML_PARSE_NOWARNING);
    --blockExternalLoads;
    const bool wellFormed = context->wellFormed != 0;
    xmlFreeParserCtxt(context);

    if (!doc_ || !wellFormed || !xmlDocGetRootElement(doc_)) {
        if (doc_) {
            xmlFreeDoc(doc_);
            doc_ = nullptr;
        }
        if (error_.reason.empty()) {
            error_.reason = "The document is not well-formed.";
        }
        error_.url = url;
        return false;
    }
    error_ = {};
    return true;
}

_xmlDoc* CXMLDocument::ReleaseDocument() {
    _xmlDoc* document = doc_;
    doc_ = nullptr;
    Release();
    return document;
}

XmlElement CXMLDocument::DocumentElement() const {
    return XmlElement(doc_ ? xmlDocGetRootElement(doc_) : nullptr);
}

void CXMLDocument::BuildIndex() const {
    indexed_ = true;
    byName_.clear();
    xmlNodePtr root = doc_ ? xmlDocGetRootElement(doc_) : nullptr;
    // Iterative pre-order walk: document order, no recursion depth limit.
    xmlNodePtr node = root;
    while (node) {
        if (node->type == XML_ELEMENT_NODE) {
            byName_[reinterpret_cast<const char*>(node->name)].emplace_back(node);
            if (node->children) {
                node = node->children;
                continue;
            }
        }
        while (node && node != root && !node->next) {
            node = node->parent;
        }
        if (!node || node == root) {
            break;
        }
        node = node->next;
    }
}

const std::vector<XmlElement>& CXMLDocument::ElementsByTagName(std::string_view name) const {
    static const std::vector<XmlElement> kNone;
    if (!indexed_) {
        BuildIndex();
    }
    const auto it = byName_.find(std::string(name));
    return it == byName_.end() ? kNone : it->second;
}

XmlElement CXMLDocument::FirstElementByTagName(std::string_view name) const {
    const std::vector<XmlElement>& elements = ElementsByTagName(name);
    return elements.empty() ? XmlElement() : elements.front();
}

}  // namespace Norvik
