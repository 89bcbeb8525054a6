// Project files of both layouts: any bytes load or fail cleanly, and what
// loads saves and loads again to the same file.
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "base/PlatformError.h"
#include "model/DVFile.h"
#include "model/ProjectFileReader.h"
#include "xml/CXMLDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Norvik::CXMLDocument document;
    if (!document.LoadFromMemory(std::string_view(reinterpret_cast<const char*>(data), size),
                                 "fuzz.dv")) {
        return 0;
    }
    DVFile definition;
    try {
        if (!ProjectFileReader(definition).Read(document)) {
            return 0;
        }
    } catch (const Norvik::PlatformError&) {
        return 0;  // a value that does not convert: refused
    }
    const std::string first = FuzzScratchFolder() + "/a.dv";
    const std::string second = FuzzScratchFolder() + "/b.dv";
    if (!definition.SaveProjectFile(first)) {
        return 0;  // values the file cannot hold are refused on save
    }
    DVFile again;
    if (!again.LoadProjectFile(first) || !again.SaveProjectFile(second)) {
        std::abort();  // what was saved must load and save again
    }
    return 0;
}
