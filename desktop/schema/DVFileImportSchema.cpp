// The schema import entry point of the definition lives with the import
// code, so that the engine itself does not depend on the schema libraries.
#include "CDTDLoader.h"
#include "CXSDLoader.h"
#include "XMLDocumentImport.h"
#include "definition/DVFile.h"

bool DVFile::ImportSchema(const std::string& path, int32_t kind) {
    switch (kind) {
        case kImportXsd: {
            CXSDLoader loader;
            if (!loader.Load(path, *this)) {
                SetLastError(loader.ErrorText());
                return false;
            }
            return true;
        }
        case kImportDtd: {
            // A failed DTD import says why too, so that callers can show it.
            CDTDLoader loader;
            if (!loader.Load(path, *this)) {
                SetLastError(loader.ErrorText());
                return false;
            }
            return true;
        }
        case kImportXml: {
            std::string error;
            if (!ImportXMLDocument(path, *this, error)) {
                SetLastError(error);
                return false;
            }
            return true;
        }
        default:
            SetLastError("Unknown import kind " + std::to_string(kind));
            return false;
    }
}
