#pragma once

#include <string>

class DVFile;

// Builds a definition's node tree from an XML Schema: the top-level element
// declarations of the schema's target namespace become the tree, with
// attributes (skip-if-empty when optional), content models flattened into
// ordered children, EMPTY content, and Number or Date/Time types taken from
// simple types. Element references become copies of the top-level element
// they name; top-level elements used inside others are pruned, and a single
// remaining root becomes the document element.
//
// Schemas are read with external entities and DTDs refused; xs:include,
// xs:import and xs:redefine load the schema documents they name (paths or
// URLs, relative to the including document).
class CXSDLoader {
public:
    bool Load(const std::string& path, DVFile& definition);
    const std::string& ErrorText() const noexcept { return error_; }

private:
    std::string error_;
};
