#pragma once

#include <cstdint>
#include <string>

class DVFile;

// What a node tree is imported from.
enum ImportKind : int32_t { kImportXsd = 0, kImportDtd = 1, kImportXml = 2 };

// Replaces the definition's node tree with one built from an XML Schema, a
// DTD (the root must already carry the document element's name) or a sample
// XML document, read from a path or URL. False with the reason in the
// definition's GetLastError(); the tree may already have been cleared.
bool ImportSchema(DVFile& definition, const std::string& path, int32_t kind);
