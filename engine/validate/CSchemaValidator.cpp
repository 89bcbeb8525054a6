#include "CSchemaValidator.h"

#include <libxml/SAX2.h>
#include <libxml/dict.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <cstring>

#include "SimpleSchema.h"
#include "SimpleSchemaChecker.h"
#include "base/TextUtil.h"
#include "io/FetchResource.h"
#include "xml/CXMLDocument.h"
#include "xml/LoadFailures.h"
#include "xml/XmlEventReader.h"

namespace Norvik {

namespace {

// Error callbacks: the first message wins; its line ending goes.
std::string Trimmed(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

void OnStructuredError(void* context, xmlErrorPtr error) {
    if (context && error) {
        static_cast<CSchemaValidator*>(context)->Record(error->line, error->int2, error->message);
    }
}

// Collects the messages of a schema that does not compile.
void OnSchemaError(void* context, xmlErrorPtr error) {
    if (!context || !error) {
        return;
    }
    std::string& text = *static_cast<std::string*>(context);
    if (text.empty()) {
        text = Trimmed(error->message);
        if (error->file) {
            text = std::string(error->file) + ":" + std::to_string(error->line) + ": " + text;
        }
    }
}

}  // namespace

// Hands the reader's events to the validator's plugged SAX2 callbacks, as
// libxml2's own parser would call them, except for white space beside a child
// element (indentation): an element with element children is valid only with
// element-only or mixed content, where such white space changes nothing, and
// leaving it out spares the validator most of its calls.
class CSchemaValidator::Events : public XmlEventReader::Events {
public:
    Events(xmlSAXHandler& handler, void* user, xmlDictPtr names)
        : handler_(handler), user_(user), names_(names) {}

    void StartElement(const XmlEventReader::Name& name,
                      std::span<const XmlEventReader::Namespace> declared,
                      std::span<const XmlEventReader::Attribute> attributes) override {
        namespaces_.clear();
        for (const XmlEventReader::Namespace& binding : declared) {
            namespaces_.push_back(Intern(binding.prefix));
            namespaces_.push_back(Intern(binding.uri));
        }
        // libxml2 hands '&' in attribute values over as "&#38;", and the
        // validator turns that back; values must come the same way.
        values_.resize(std::max(values_.size(), attributes.size()));
        attributeItems_.clear();
        for (size_t i = 0; i < attributes.size(); ++i) {
            const XmlEventReader::Attribute& attribute = attributes[i];
            std::string& value = values_[i];
            value.clear();
            for (char c : attribute.value) {
                if (c == '&') {
                    value += "&#38;";
                } else {
                    value += c;
                }
            }
            attributeItems_.push_back(Intern(attribute.name.local));
            attributeItems_.push_back(Intern(attribute.name.prefix));
            attributeItems_.push_back(Intern(attribute.name.uri));
            attributeItems_.push_back(reinterpret_cast<const xmlChar*>(value.data()));
            attributeItems_.push_back(
                reinterpret_cast<const xmlChar*>(value.data() + value.size()));
        }
        blank_.clear();  // before a child
        afterChild_ = false;
        const Interned element{Intern(name.local), Intern(name.prefix), Intern(name.uri)};
        open_.push_back(element);
        if (handler_.startElementNs) {
            handler_.startElementNs(user_, element.local, element.prefix, element.uri,
                                    static_cast<int>(declared.size()), namespaces_.data(),
                                    static_cast<int>(attributes.size()), 0, attributeItems_.data());
        }
    }

    void EndElement(const XmlEventReader::Name&) override {
        if (!afterChild_ && !blank_.empty()) {
            Deliver(blank_);  // the whole content of an element
        }
        blank_.clear();
        afterChild_ = true;
        // The names its start interned: the reader only ends what it started.
        const Interned element = open_.back();
        open_.pop_back();
        if (handler_.endElementNs) {
            handler_.endElementNs(user_, element.local, element.prefix, element.uri);
        }
    }

    void EndAll() {
        blank_.clear();
        hasText_ = false;
        while (!open_.empty()) {
            EndElement({});
        }
    }

    void Characters(std::string_view text) override {
        // Kept until it is known what it stands beside, or, with more than
        // white space, until the run ends: the parser reports text there.
        hasText_ = hasText_ || !AllXmlSpace(text);
        blank_.append(text);
    }

    void TextEnd() override {
        if (hasText_) {
            Deliver(blank_);
            blank_.clear();
            hasText_ = false;
        }
    }

private:
    void Deliver(std::string_view text) {
        // The callback takes an int length.
        while (!text.empty() && handler_.characters) {
            const size_t piece = std::min<size_t>(text.size(), 1 << 26);
            handler_.characters(user_, reinterpret_cast<const xmlChar*>(text.data()),
                                static_cast<int>(piece));
            text.remove_prefix(piece);
        }
    }

    // Empty stands for none, as for a parser.
    const xmlChar* Intern(std::string_view text) {
        if (text.empty()) {
            return nullptr;
        }
        return xmlDictLookup(names_, reinterpret_cast<const xmlChar*>(text.data()),
                             static_cast<int>(text.size()));
    }

    xmlSAXHandler& handler_;
    void* user_;
    xmlDictPtr names_;
    std::vector<const xmlChar*> namespaces_;
    std::vector<const xmlChar*> attributeItems_;
    std::vector<std::string> values_;
    struct Interned {
        const xmlChar* local;
        const xmlChar* prefix;
        const xmlChar* uri;
    };
    std::vector<Interned> open_;  // elements started and not ended
    std::string blank_;           // text not yet handed over
    bool hasText_ = false;        // blank_ has more than white space
    bool afterChild_ = false;     // the last element event was a child's end
};

CSchemaValidator::CSchemaValidator() = default;

CSchemaValidator::~CSchemaValidator() {
    EndDocument();
    if (names_) {
        xmlDictFree(names_);
    }
    if (validator_) {
        xmlSchemaFreeValidCtxt(validator_);
    }
    if (schema_) {
        xmlSchemaFree(schema_);
    }
    if (schemaDocument_) {
        xmlFreeDoc(schemaDocument_);
    }
}

bool CSchemaValidator::Load(const std::string& location) {
    location_ = location;
    std::string bytes;
    std::string error;
    std::string readFrom;
    if (!FetchResource(location, bytes, error, &readFrom)) {
        loadError_ = "The schema " + location + " cannot be read: " + error;
        return false;
    }
    // Named by where it was read, so that its includes and imports are
    // taken relative to the copy the catalogs pointed to.
    CXMLDocument document;
    if (!document.LoadFromMemory(bytes, readFrom)) {
        loadError_ = FormatParseError(document.ParseError());
        return false;
    }
    schemaDocument_ = document.ReleaseDocument();
    // Before libxml2 compiles it: its compiler tidies the document.
    simple_ = SimpleSchema::Compile(schemaDocument_);
    std::string messages;
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewDocParserCtxt(schemaDocument_);
    if (!parser) {
        loadError_ = "The schema " + location + " cannot be compiled";
        return false;
    }
    xmlSchemaSetParserStructuredErrors(parser, OnSchemaError, &messages);
    LoadFailures unread;  // includes and imports libxml2 could not read
    schema_ = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (!schema_) {
        loadError_ = "The schema " + location + " cannot be compiled: " +
                     (messages.empty() ? std::string("it is not an XML Schema") : messages);
        if (!unread.First().empty()) {
            loadError_ += "\r\n" + unread.First();
        }
        return false;
    }
    validator_ = xmlSchemaNewValidCtxt(schema_);
    if (!validator_) {
        loadError_ = "The schema " + location + " cannot be used for validation";
        return false;
    }
    xmlSchemaSetValidStructuredErrors(validator_, OnStructuredError, this);
    return true;
}

void CSchemaValidator::Record(int line, int column, const char* message) {
    if (failed_) {
        return;
    }
    failed_ = true;
    // Streaming validation knows no node positions: the parser's own
    // position is where the offending markup ends.
    if (line <= 0 && parser_) {
        line = xmlSAX2GetLineNumber(parser_);
        column = xmlSAX2GetColumnNumber(parser_);
    }
    if (reader_) {
        line = static_cast<int>(reader_->Line());
        column = static_cast<int>(reader_->Column());
    }
    failure_.line = line;
    failure_.column = column;
    failure_.offset = parser_ ? xmlByteConsumed(parser_) : (reader_ ? reader_->Offset() : 0);
    failure_.message = Trimmed(message);
}

void CSchemaValidator::EndDocument() {
    if (parser_) {
        // A document given up half-way: its open elements are ended, or
        // the validator keeps their identity-constraint state for good.
        while (!parserOpen_.empty()) {
            const OpenElement open = parserOpen_.back();
            parserOpen_.pop_back();
            if (plugged_->endElementNs) {
                plugged_->endElementNs(user_, open.local, open.prefix, open.uri);
            }
        }
        xmlFreeParserCtxt(parser_);
        parser_ = nullptr;
    }
    if (trustedEvents_) {
        // A document given up half-way: its open elements are ended, or
        // the validator keeps their identity-constraint state for good.
        trustedEvents_->EndAll();
    }
    reader_.reset();
    trustedEvents_.reset();
    checker_.reset();
    if (plug_) {
        xmlSchemaSAXUnplug(plug_);
        plug_ = nullptr;
    }
}

void CSchemaValidator::Begin(const std::string& name, bool trusted, bool mayBindSchemaInstance) {
    EndDocument();
    failed_ = false;
    failure_ = Failure();
    if (!validator_) {
        return;
    }
    if (trusted && !mayBindSchemaInstance && simple_) {
        checker_ = std::make_unique<SimpleSchemaChecker>(
            *simple_, [this](const std::string& message) { Record(0, 0, message.c_str()); });
        reader_ = std::make_unique<XmlEventReader>(*checker_);
        return;
    }
    Plug();
    if (trusted && plug_) {
        BeginTrusted();
        return;
    }
    BeginParsed(name);
}

void CSchemaValidator::Plug() {
    // No events of our own: the parser builds nothing, the validator sees all.
    events_ = std::make_unique<xmlSAXHandler>();
    std::memset(events_.get(), 0, sizeof(xmlSAXHandler));
    events_->initialized = XML_SAX2_MAGIC;
    // The plug keeps the addresses of these two and writes the originals
    // back through them when unplugged: they must be members, not locals.
    plugged_ = events_.get();
    user_ = nullptr;
    plug_ = xmlSchemaSAXPlug(validator_, &plugged_, &user_);
}

void CSchemaValidator::BeginTrusted() {
    xmlSAXHandlerPtr events = plugged_;
    void* user = user_;
    if (!names_) {
        names_ = xmlDictCreate();
    }
    trustedEvents_ = std::make_unique<Events>(*events, user, names_);
    reader_ = std::make_unique<XmlEventReader>(*trustedEvents_);
    if (events->startDocument) {
        events->startDocument(user);
    }
}

void CSchemaValidator::BeginParsed(const std::string& name) {
    PassParserEvents();
    parserOpen_.clear();
    parser_ = xmlCreatePushParserCtxt(parserEvents_.get(), this, nullptr, 0, name.c_str());
    if (parser_) {
        xmlCtxtUseOptions(parser_, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    }
}

// The parser's events pass through here on their way to the plug, so that
// the elements left open by a document given up half-way can be ended (the
// plug's handler has only these five, as ours had none).
void CSchemaValidator::PassParserEvents() {
    parserEvents_ = std::make_unique<xmlSAXHandler>();
    std::memset(parserEvents_.get(), 0, sizeof(xmlSAXHandler));
    parserEvents_->initialized = XML_SAX2_MAGIC;
    parserEvents_->startElementNs = [](void* self, const xmlChar* local, const xmlChar* prefix,
                                       const xmlChar* uri, int namespaceCount,
                                       const xmlChar** namespaces, int attributeCount,
                                       int defaulted, const xmlChar** attributes) {
        auto* validator = static_cast<CSchemaValidator*>(self);
        validator->parserOpen_.push_back({local, prefix, uri});
        if (validator->plugged_->startElementNs) {
            validator->plugged_->startElementNs(validator->user_, local, prefix, uri,
                                                namespaceCount, namespaces, attributeCount,
                                                defaulted, attributes);
        }
    };
    parserEvents_->endElementNs = [](void* self, const xmlChar* local, const xmlChar* prefix,
                                     const xmlChar* uri) {
        auto* validator = static_cast<CSchemaValidator*>(self);
        if (!validator->parserOpen_.empty()) {
            validator->parserOpen_.pop_back();
        }
        if (validator->plugged_->endElementNs) {
            validator->plugged_->endElementNs(validator->user_, local, prefix, uri);
        }
    };
    parserEvents_->characters = [](void* self, const xmlChar* text, int length) {
        auto* validator = static_cast<CSchemaValidator*>(self);
        if (validator->plugged_->characters) {
            validator->plugged_->characters(validator->user_, text, length);
        }
    };
    parserEvents_->ignorableWhitespace = [](void* self, const xmlChar* text, int length) {
        auto* validator = static_cast<CSchemaValidator*>(self);
        if (validator->plugged_->ignorableWhitespace) {
            validator->plugged_->ignorableWhitespace(validator->user_, text, length);
        }
    };
    parserEvents_->cdataBlock = [](void* self, const xmlChar* text, int length) {
        auto* validator = static_cast<CSchemaValidator*>(self);
        if (validator->plugged_->cdataBlock) {
            validator->plugged_->cdataBlock(validator->user_, text, length);
        }
    };
}

bool CSchemaValidator::ReaderFailed() {
    if (!failed_) {
        Record(0, 0, ("The output does not parse: " + reader_->Error()).c_str());
    }
    return false;
}

bool CSchemaValidator::Feed(std::string_view bytes) {
    if (reader_ && !failed_) {
        return reader_->Feed(bytes) ? !failed_ : ReaderFailed();
    }
    if (!parser_ || failed_) {
        return !failed_;
    }
    // The parser takes an int length: large chunks go in pieces of 64 MB.
    while (!bytes.empty() && !failed_) {
        const size_t piece = std::min<size_t>(bytes.size(), 1 << 26);
        if (xmlParseChunk(parser_, bytes.data(), static_cast<int>(piece), 0) != 0 && !failed_) {
            const xmlError* error = xmlCtxtGetLastError(parser_);
            Record(error ? error->line : 0, error ? error->int2 : 0,
                   error && error->message ? error->message : "The output does not parse");
        }
        bytes.remove_prefix(piece);
    }
    return !failed_;
}

bool CSchemaValidator::End() {
    if (reader_ && !failed_) {
        if (!reader_->Finish()) {
            ReaderFailed();
        } else if (plug_ && plugged_->endDocument) {
            plugged_->endDocument(user_);
        }
    }
    if (parser_ && !failed_) {
        if (xmlParseChunk(parser_, nullptr, 0, 1) != 0 && !failed_) {
            const xmlError* error = xmlCtxtGetLastError(parser_);
            Record(error ? error->line : 0, error ? error->int2 : 0,
                   error && error->message ? error->message : "The output does not parse");
        }
    }
    EndDocument();
    return !failed_;
}

std::string CSchemaValidator::FailureText() const {
    return "line " + std::to_string(failure_.line) + ", column " + std::to_string(failure_.column) +
           ": " + failure_.message;
}

}  // namespace Norvik
