#include "XmlCatalogs.h"

#include <libxml/catalog.h>
#include <libxml/parser.h>
#include <unistd.h>

#include <mutex>

namespace Norvik {

namespace {

// libxml2 loads the catalogs lazily and without a lock the first time; one
// lock here keeps two first lookups (and a reload) apart.
std::mutex& CatalogLock() {
    static std::mutex lock;
    return lock;
}

std::string Taken(xmlChar* resolved) {
    if (!resolved) {
        return {};
    }
    std::string text(reinterpret_cast<const char*>(resolved));
    xmlFree(resolved);
    return text;
}

}  // namespace

std::string XmlCatalogs::Resolve(const std::string& location) {
    if (location.empty()) {
        return {};
    }
    const std::lock_guard<std::mutex> hold(CatalogLock());
    xmlInitParser();
    const auto* name = reinterpret_cast<const xmlChar*>(location.c_str());
    std::string resolved = Taken(xmlCatalogResolveURI(name));
    if (resolved.empty()) {
        resolved = Taken(xmlCatalogResolveSystem(name));
    }
    // Entries are URI references: one taken against a catalog named by a path
    // comes back as a path that may hold %-escapes, which libxml2's reader
    // undoes when the path itself is not there. As a file: URL it is undone
    // by every reader.
    if (resolved.starts_with('/') && resolved.find('%') != std::string::npos &&
        ::access(resolved.c_str(), F_OK) != 0) {
        resolved = "file://" + resolved;
    }
    return resolved;
}

void XmlCatalogs::Reload() {
    const std::lock_guard<std::mutex> hold(CatalogLock());
    xmlInitParser();
    xmlCatalogCleanup();
    xmlInitializeCatalog();
}

}  // namespace Norvik
