// The sample-document import over any bytes: it loads or fails cleanly.
#include <cstdlib>

#include "import/XMLDocumentImport.h"
#include "model/DVFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DVFile definition;
    std::string error;
    ImportXMLDocumentBytes(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xml",
                           definition, error);
    return 0;
}
