#include "CSchemaValidator.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <cstring>

#include "CXMLDocument.h"
#include "FetchResource.h"

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

CSchemaValidator::CSchemaValidator() = default;

CSchemaValidator::~CSchemaValidator() {
    EndDocument();
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
    if (!FetchResource(location, bytes, error)) {
        loadError_ = "The schema " + location + " cannot be read: " + error;
        return false;
    }
    CXMLDocument document;
    if (!document.LoadFromMemory(bytes, location)) {
        loadError_ = FormatParseError(document.ParseError());
        return false;
    }
    schemaDocument_ = document.ReleaseDocument();
    std::string messages;
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewDocParserCtxt(schemaDocument_);
    if (!parser) {
        loadError_ = "The schema " + location + " cannot be compiled";
        return false;
    }
    xmlSchemaSetParserStructuredErrors(parser, OnSchemaError, &messages);
    schema_ = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (!schema_) {
        loadError_ = "The schema " + location + " cannot be compiled: " +
                     (messages.empty() ? std::string("it is not an XML Schema") : messages);
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
    failure_.line = line;
    failure_.column = column;
    failure_.offset = parser_ ? xmlByteConsumed(parser_) : 0;
    failure_.message = Trimmed(message);
}

void CSchemaValidator::EndDocument() {
    if (parser_) {
        xmlFreeParserCtxt(parser_);
        parser_ = nullptr;
    }
    if (plug_) {
        xmlSchemaSAXUnplug(plug_);
        plug_ = nullptr;
    }
}

void CSchemaValidator::Begin(const std::string& name) {
    EndDocument();
    failed_ = false;
    failure_ = Failure();
    if (!validator_) {
        return;
    }
    // No events of our own: the parser builds nothing, the validator sees all.
    events_ = std::make_unique<xmlSAXHandler>();
    std::memset(events_.get(), 0, sizeof(xmlSAXHandler));
    events_->initialized = XML_SAX2_MAGIC;
    xmlSAXHandlerPtr events = events_.get();
    void* user = nullptr;
    plug_ = xmlSchemaSAXPlug(validator_, &events, &user);
    parser_ = xmlCreatePushParserCtxt(events, user, nullptr, 0, name.c_str());
    if (parser_) {
        xmlCtxtUseOptions(parser_, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    }
}

bool CSchemaValidator::Feed(std::string_view bytes) {
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
