// dvimport KIND PATH_OR_URL OUT.dv [--root NAME] [--validate]
// Builds a new definition's XML tree from an XML Schema (xsd), a DTD (dtd)
// or a sample document (xml) and saves it as a project file.
#include <cstdio>
#include <cstring>
#include <string>

#include "import/SchemaImport.h"
#include "model/DVFile.h"

namespace {

int Usage() {
    std::fputs(
        "usage: dvimport KIND PATH_OR_URL OUT.dv [--root NAME] [--validate]\n"
        "  KIND: xsd (XML Schema), dtd (Document Type Definition) or xml (sample document)\n"
        "  --root NAME: the document element's name (what a DTD's declarations attach to)\n"
        "  --validate: (xsd) runs validate every output document against the schema\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string positional[3];
    int count = 0;
    std::string root;
    bool hasRoot = false;
    bool validate = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--validate") == 0) {
            validate = true;
        } else if (std::strcmp(argv[i], "--root") == 0) {
            if (i + 1 >= argc) {
                return Usage();
            }
            root = argv[++i];
            hasRoot = true;
        } else if (count < 3) {
            positional[count++] = argv[i];
        } else {
            return Usage();
        }
    }
    if (count != 3) {
        return Usage();
    }
    const std::string& kindName = positional[0];
    int32_t kind = 0;
    if (kindName == "xsd") {
        kind = kImportXsd;
    } else if (kindName == "dtd") {
        kind = kImportDtd;
    } else if (kindName == "xml") {
        kind = kImportXml;
    } else {
        return Usage();
    }
    if (validate && kind != kImportXsd) {
        return Usage();
    }

    DVFile definition = DVFile::NewDefinition();
    if (hasRoot) {
        definition.Root().SetName(root);  // through the name rule, like every node name
    }
    if (!ImportSchema(definition, positional[1], kind)) {
        const std::string& error = definition.GetLastError();
        std::fprintf(stderr, "dvimport: %s\n", error.empty() ? "the import failed" : error.c_str());
        return 1;
    }
    if (validate) {
        definition.SetValidateSchema(positional[1]);
    }
    if (!definition.SaveProjectFile(positional[2])) {
        std::fprintf(stderr, "dvimport: %s\n", definition.GetLastError().c_str());
        return 1;
    }
    return 0;
}
