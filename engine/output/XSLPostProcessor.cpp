#include "XSLPostProcessor.h"

#include <libexslt/exslt.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <atomic>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "io/FetchResource.h"
#include "xml/CXMLDocument.h"
#include "xml/LoadFailures.h"

namespace {

std::atomic<int64_t> compilations{0};

// libxslt reports through process-wide hooks; each thread collects what its
// own stylesheet work reports, and allows the network only for its own
// stylesheet's location.
thread_local std::string* collected = nullptr;
thread_local bool networkAllowed = false;

void CollectMessage(void*, const char* format, ...) {
    if (!collected) {
        return;
    }
    char buffer[2048];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    *collected += buffer;
}

int Forbid(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char*) {
    return 0;
}

// A URL the XML catalogs map to a local copy is no network read.
int NetworkRead(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* url) {
    return networkAllowed || (url && !Norvik::IsNetworkUrl(Norvik::ResolveLocation(url))) ? 1 : 0;
}

void Initialise() {
    static std::once_flag once;
    std::call_once(once, [] {
        Norvik::CXMLDocument warmUp;  // libxml2's own initialisation
        xsltInit();
        exsltRegisterAll();
        xsltSetGenericErrorFunc(nullptr, CollectMessage);
        xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_FILE, Forbid);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_CREATE_DIRECTORY, Forbid);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_NETWORK, Forbid);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_NETWORK, NetworkRead);
        xsltSetDefaultSecurityPrefs(prefs);
    });
}

// Collects libxml2 and libxslt messages of this thread while it lives.
class MessageScope {
public:
    explicit MessageScope(std::string& target, bool network) : previous_(collected) {
        collected = &target;
        networkAllowed = network;
        xmlSetGenericErrorFunc(nullptr, CollectMessage);
    }
    ~MessageScope() {
        collected = previous_;
        networkAllowed = false;
        xmlSetGenericErrorFunc(nullptr, nullptr);
    }

private:
    std::string* previous_;
};

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

[[noreturn]] void FailXsl(const std::string& error, const std::string& description) {
    throw XSLPostProcessor::Failure("XSL Error\r\nError: " + error +
                                    "\r\nDescription: " + Trimmed(description));
}

}  // namespace

XSLPostProcessor::XSLPostProcessor() {
    Initialise();
}

XSLPostProcessor::~XSLPostProcessor() {
    if (compiled_) {
        xsltFreeStylesheet(compiled_);
    }
}

int64_t XSLPostProcessor::Compilations() {
    return compilations.load();
}

void XSLPostProcessor::Prepare(const std::string& stylesheet) {
    if (compiled_ && stylesheet == loaded_) {
        return;
    }
    if (compiled_) {
        xsltFreeStylesheet(compiled_);
        compiled_ = nullptr;
    }
    loaded_.clear();
    const bool network = Norvik::IsNetworkUrl(stylesheet);
    std::string bytes;
    std::string error;
    std::string readFrom;
    if (!Norvik::FetchResource(stylesheet, bytes, error, &readFrom)) {
        throw Failure(Norvik::FormatParseError({stylesheet, 0, 0, error}));
    }
    // Parsed here, so that a parse error reports where it is; entities are
    // not expanded and nothing is fetched while parsing. Named by where it
    // was read: xsl:import and xsl:include are relative to that copy.
    Norvik::CXMLDocument parsed;
    if (!parsed.LoadFromMemory(bytes, readFrom)) {
        throw Failure(Norvik::FormatParseError(parsed.ParseError()));
    }
    const xmlDocPtr document = parsed.ReleaseDocument();

    std::string messages;
    {
        MessageScope scope(messages, network);
        // Why an xsl:import or xsl:include could not be read, for the messages.
        Norvik::LoadFailures unread;
        compiled_ = xsltParseStylesheetDoc(document);  // owns the document on success
        if (!unread.First().empty()) {
            messages += unread.First() + "\n";
        }
    }
    ++compilations;
    if (!compiled_ || compiled_->errors > 0) {
        if (compiled_) {
            xsltFreeStylesheet(compiled_);
            compiled_ = nullptr;
        } else {
            xmlFreeDoc(document);
        }
        FailXsl("The stylesheet " + stylesheet + " cannot be compiled", messages);
    }
    loaded_ = stylesheet;
    networkAllowed_ = network;
}

std::string XSLPostProcessor::TransformFile(const std::string& stylesheet,
                                            const std::string& inputPath) {
    Prepare(stylesheet);
    Norvik::CXMLDocument input;
    if (!input.Load(inputPath)) {
        FailXsl("The document " + inputPath + " cannot be read", input.ParseError().reason);
    }
    std::string messages;
    MessageScope scope(messages, networkAllowed_);
    xsltTransformContextPtr context = xsltNewTransformContext(compiled_, input.Document());
    if (!context) {
        FailXsl("The transformation cannot start", messages);
    }
    xsltSetTransformErrorFunc(context, nullptr, CollectMessage);
    xmlDocPtr result =
        xsltApplyStylesheetUser(compiled_, input.Document(), nullptr, nullptr, nullptr, context);
    const bool stopped = context->state != XSLT_STATE_OK;
    xsltFreeTransformContext(context);
    if (!result || stopped) {
        if (result) {
            xmlFreeDoc(result);
        }
        FailXsl("The transformation of " + inputPath + " failed", messages);
    }
    xmlChar* bytes = nullptr;
    int length = 0;
    const int saved = xsltSaveResultToString(&bytes, &length, result, compiled_);
    xmlFreeDoc(result);
    std::string output;
    if (bytes) {
        output.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
        xmlFree(bytes);
    }
    if (saved < 0) {
        FailXsl("The result of " + inputPath + " cannot be written", messages);
    }
    return output;
}
