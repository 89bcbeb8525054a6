#pragma once

#include <string>
#include <vector>

#include "SchemaTree.h"

// One XML Schema document: its target namespace (empty for none), the file
// name other documents import it by, and its text.
struct SchemaDocument {
    std::string targetNamespace;
    std::string fileName;
    std::string text;
};

// Writes the declarations as XML Schema documents, one per namespace, the
// main namespace's first (named mainFileName); each imports the others it
// refers to, by file name in the same folder. Local elements follow
// elementFormDefault="qualified"; those in no namespace are unqualified;
// attributes in a namespace are global and referred to.
std::vector<SchemaDocument> WriteXsd(const SchemaSet& set, const std::string& mainFileName);
