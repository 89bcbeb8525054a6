#pragma once

#include <string>

namespace Norvik {

// The OASIS XML catalogs libxml2 reads: the files XML_CATALOG_FILES lists
// (separated by spaces), else /etc/xml/catalog. Debian registers the schemas
// and DTDs it packages there, so a document named by its publisher's URL can
// be read from the local copy, as xmllint and xsltproc read it.
class XmlCatalogs {
public:
    // Where the catalogs put a location: first as a URI ("uri", "rewriteURI",
    // "delegateURI" entries), then as a system identifier ("system",
    // "rewriteSystem", "delegateSystem"). A path or URL (a file: URL when the
    // path holds %-escapes); relative entries are taken against the catalog
    // file that holds them. Empty when no entry names the location.
    static std::string Resolve(const std::string& location);

    // Reads the catalogs again, XML_CATALOG_FILES included (libxml2 reads them
    // once, when first asked). Only while no other thread reads documents.
    static void Reload();
};

}  // namespace Norvik
