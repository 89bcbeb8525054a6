#pragma once

#include <string>

// The summary properties of a source document (workbooks keep them).
struct DocumentProperties {
    std::string title;
    std::string subject;
    std::string author;
    std::string keywords;
    std::string comments;
    std::string lastAuthor;
    std::string created;  // "YYYY-MM-DD hh:mm:ss", local time
    std::string lastSaved;
};

// Reads the properties of a workbook; false (and empty texts) for any other
// file or when they cannot be read.
bool ReadDocumentProperties(const std::string& path, DocumentProperties& properties);
