#include "DocumentProperties.h"

// Only workbooks carry summary properties; their reader joins with the
// workbook source. Every other file has none.
bool ReadDocumentProperties(const std::string&, DocumentProperties& properties) {
    properties = DocumentProperties();
    return false;
}
