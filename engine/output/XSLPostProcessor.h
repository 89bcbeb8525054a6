#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

struct _xsltStylesheet;

// Transforms each finished output file of a run with one XSL stylesheet. The
// stylesheet is fetched, parsed and compiled once per run and path. A
// stylesheet may read local files (document()) but never write files or
// create folders, and reaches the network only when its own location is an
// http(s) URL. The stylesheet, its xsl:import and xsl:include and what
// document() reads are looked up in the XML catalogs first: a URL they map
// to a local copy is read from it, whatever the stylesheet's location.
class XSLPostProcessor {
public:
    // What went wrong, in the texts the run reports: "XML Parser Error" with
    // URL, line, position and description for a stylesheet that does not
    // parse, "XSL Error" with error and description otherwise.
    class Failure : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    XSLPostProcessor();
    ~XSLPostProcessor();
    XSLPostProcessor(const XSLPostProcessor&) = delete;
    XSLPostProcessor& operator=(const XSLPostProcessor&) = delete;

    // The transformation of inputPath's document, as the bytes the
    // stylesheet's output method and encoding produce. Throws Failure.
    std::string TransformFile(const std::string& stylesheet, const std::string& inputPath);

    // Stylesheets compiled by every processor of the process (tests).
    static int64_t Compilations();

private:
    void Prepare(const std::string& stylesheet);

    std::string loaded_;
    _xsltStylesheet* compiled_ = nullptr;
    bool networkAllowed_ = false;
};
