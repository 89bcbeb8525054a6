#pragma once

#include <string>
#include <vector>

#include "XsdWriter.h"
#include "base/Status.h"

class DVFile;

// The XML Schema of what a definition writes: every document of every run
// (one document, one per row or one per value) is valid against it. Where a
// rule's output is not known before a run (locale-dependent numbers, tokens,
// defaults, the last value, interleaved scopes) the schema stays open rather
// than guess: xs:string, minOccurs="0", any order.
class SchemaGenerator {
public:
    // The documents, the main one (the document element's namespace) first
    // and named mainFileName; one more per further namespace, named after
    // it ("orders-2.xsd"), importing each other by those names.
    static Status Generate(const DVFile& definition, const std::string& mainFileName,
                           std::vector<SchemaDocument>& out);
    // Generates and writes the documents: the main one at path, the others
    // beside it. 104 or 105 when a file cannot be created or written, with
    // the reason (and the file, unless it is path) as detail; a file already
    // there is replaced only once the new one is complete.
    static Status WriteFiles(const DVFile& definition, const std::string& path,
                             std::vector<std::string>* written = nullptr);
};
