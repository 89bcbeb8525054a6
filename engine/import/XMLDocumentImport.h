#pragma once

#include <string>
#include <string_view>

class DVFile;

// Builds a definition's node tree from a sample document: the document
// element names the root; every element name becomes one node (repeated
// elements merge, so attributes and children are the union of all
// occurrences, in order of first appearance) and every attribute an
// attribute node. Only an "xmlns:xs" attribute keeps its value. The document
// is fetched like a DTD (path, file URL or http URL) and parsed without
// loading anything else.
bool ImportXMLDocument(const std::string& path, DVFile& definition, std::string& error);
// The same over a document's bytes; url names it in parse errors.
bool ImportXMLDocumentBytes(std::string_view bytes, const std::string& url, DVFile& definition,
                            std::string& error);
