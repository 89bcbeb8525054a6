#pragma once

#include <cstdlib>
#include <functional>
#include <string>

#include "TestSupport.h"

namespace testsupport {

// An XML catalog of these entries at path, named by XML_CATALOG_FILES while
// the object lives. libxml2 reads the variable once: reload
// (Norvik::XmlCatalogs::Reload) reads it again, at the start and at the end.
class ScopedCatalog {
public:
    ScopedCatalog(const std::string& path, const std::string& entries, std::function<void()> reload)
        : reload_(std::move(reload)) {
        WriteFile(path, "<catalog xmlns=\"urn:oasis:names:tc:entity:xmlns:xml:catalog\">" +
                            entries + "</catalog>");
        ::setenv("XML_CATALOG_FILES", path.c_str(), 1);
        reload_();
    }
    ~ScopedCatalog() {
        ::unsetenv("XML_CATALOG_FILES");
        reload_();
    }

private:
    std::function<void()> reload_;
};

inline std::string UriEntry(const std::string& name, const std::string& target) {
    return "<uri name=\"" + name + "\" uri=\"" + target + "\"/>";
}
inline std::string SystemEntry(const std::string& id, const std::string& target) {
    return "<system systemId=\"" + id + "\" uri=\"" + target + "\"/>";
}

}  // namespace testsupport
