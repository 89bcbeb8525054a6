#include "SchemaImport.h"

#include "CDTDLoader.h"
#include "CXSDLoader.h"
#include "XMLDocumentImport.h"
#include "model/DVFile.h"

namespace {

bool Import(DVFile& definition, const std::string& path, int32_t kind, std::string& error) {
    switch (kind) {
        case kImportXsd: {
            CXSDLoader loader;
            const bool loaded = loader.Load(path, definition);
            error = loader.ErrorText();
            return loaded;
        }
        case kImportDtd: {
            CDTDLoader loader;
            const bool loaded = loader.Load(path, definition);
            error = loader.ErrorText();
            return loaded;
        }
        case kImportXml:
            return ImportXMLDocument(path, definition, error);
        default:
            error = "Unknown import kind " + std::to_string(kind);
            return false;
    }
}

}  // namespace

bool ImportSchema(DVFile& definition, const std::string& path, int32_t kind) {
    std::string error;
    if (Import(definition, path, kind, error)) {
        return true;
    }
    definition.SetLastError(std::move(error));
    return false;
}
