#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlSchema;
struct _xmlSchemaValidCtxt;
struct _xmlParserCtxt;
struct _xmlSAXHandler;
struct _xmlSchemaSAXPlug;
struct _xmlDict;

namespace Norvik {

class XmlEventReader;
class SimpleSchema;
class SimpleSchemaChecker;

// Validates documents against an XML Schema while they are written: the
// bytes of a document are fed as they leave the writer (in any encoding the
// writer produces) to a streaming parser whose events go only to the
// validator, so a document of any size is checked in constant memory. Markup
// the writer made itself in UTF-8 skips the general parser: a reader that
// trusts it to be well-formed hands its elements and text to the validator.
class CSchemaValidator {
public:
    struct Failure {
        int line = 0;
        int column = 0;
        int64_t offset = 0;  // bytes of the document read when it was found
        std::string message;
    };

    CSchemaValidator();
    ~CSchemaValidator();
    CSchemaValidator(const CSchemaValidator&) = delete;
    CSchemaValidator& operator=(const CSchemaValidator&) = delete;

    // Reads and compiles the schema from a path or URL (includes and imports
    // relative to it). False with the reason in LoadError(). The schema and
    // every document it includes or imports are looked up in the XML catalogs
    // before they are read from a file or the network (FetchResource), and
    // entities and DTDs of the schema documents are never loaded.
    bool Load(const std::string& location);
    const std::string& LoadError() const noexcept { return loadError_; }

    // Starts checking one document (name: for messages only). Trusted: the
    // document is UTF-8 and all its markup comes from the writer. A trusted
    // document that may not bind the schema instance namespace (whose xsi:
    // attributes change what is valid) is checked by a quick checker of its
    // own when the schema is of the simple shape it knows.
    void Begin(const std::string& name, bool trusted = false, bool mayBindSchemaInstance = true);
    // Feeds the next bytes; false once the document is found invalid.
    bool Feed(std::string_view bytes);
    // The end of the document: false when it is invalid or incomplete.
    bool End();
    // The first error of the current document.
    const Failure& FirstError() const noexcept { return failure_; }
    // "line 3, column 7: <the validator's text>".
    std::string FailureText() const;

    // For libxml2's error callbacks.
    void Record(int line, int column, const char* message);

private:
    class Events;

    void EndDocument();
    bool ReaderFailed();
    // Plugs into the validator, whose events plugged_ and user_ then hold.
    void Plug();
    // Well-formed markup of our own goes by the event reader to the plug.
    void BeginTrusted();
    // Anything else goes through a push parser.
    void BeginParsed(const std::string& name);
    void PassParserEvents();

    std::string location_;
    std::string loadError_;
    _xmlDoc* schemaDocument_ = nullptr;
    _xmlSchema* schema_ = nullptr;
    _xmlSchemaValidCtxt* validator_ = nullptr;
    _xmlParserCtxt* parser_ = nullptr;
    _xmlSchemaSAXPlug* plug_ = nullptr;
    std::unique_ptr<_xmlSAXHandler> events_;
    _xmlSAXHandler* plugged_ = nullptr;  // the validator's events after plugging
    void* user_ = nullptr;               // what they are called with
    _xmlDict* names_ = nullptr;          // names handed to the validator stay here
    std::unique_ptr<Events> trustedEvents_;
    std::unique_ptr<_xmlSAXHandler> parserEvents_;  // the parser's, passed on to the plug
    struct OpenElement {
        const unsigned char* local;
        const unsigned char* prefix;
        const unsigned char* uri;
    };
    std::vector<OpenElement> parserOpen_;   // as the parser reported them
    std::unique_ptr<SimpleSchema> simple_;  // null: not of the simple shape
    std::unique_ptr<SimpleSchemaChecker> checker_;
    std::unique_ptr<XmlEventReader> reader_;
    bool failed_ = false;
    Failure failure_;
};

}  // namespace Norvik
