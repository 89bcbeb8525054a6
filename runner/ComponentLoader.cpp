#include "ComponentLoader.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

constexpr const char* kRegistrationName = "/datavane/dvobj.registration";

template <typename Function>
bool Resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

}  // namespace

ComponentLoader::~ComponentLoader() {
    if (object_ && release_) {
        release_(object_);
    }
    if (library_) {
        dlclose(library_);
    }
}

std::vector<std::string> ComponentLoader::RegistrationFiles() {
    std::vector<std::string> files;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/') {
        files.push_back(config + std::string(kRegistrationName));
    } else {
        const char* home = std::getenv("HOME");
        files.push_back(std::string(home && *home ? home : ".") + "/.config" + kRegistrationName);
    }
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    const std::string list = dirs && *dirs ? dirs : "/etc/xdg";
    size_t start = 0;
    while (start < list.size()) {
        const size_t end = std::min(list.find(':', start), list.size());
        if (end > start && list[start] == '/') {
            files.push_back(list.substr(start, end - start) + kRegistrationName);
        }
        start = end + 1;
    }
    return files;
}

std::string ComponentLoader::RegisteredLibrary(const std::string& file) {
    std::ifstream in(file);
    const std::string section = std::string("[CLSID\\") + DVOBJ_CLSID_DATAVANE + "]";
    const std::string key = "InprocServer32=";
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            inSection = line == section;
        } else if (inSection && line.rfind(key, 0) == 0) {
            return line.substr(key.size());
        }
    }
    return {};
}

int32_t ComponentLoader::Create(const std::string& runnerPath) {
    // The first registered library's failure is what a user most needs to
    // know when nothing loads.
    int32_t registeredCode = DVOBJ_S_OK;
    std::string registeredWhy;
    for (const std::string& file : RegistrationFiles()) {
        const std::string registered = RegisteredLibrary(file);
        if (registered.empty()) {
            continue;
        }
        const int32_t code = TryLibrary(registered);
        if (code == DVOBJ_S_OK) {
            return code;
        }
        if (registeredCode == DVOBJ_S_OK) {
            registeredCode = code;
            registeredWhy = why_;
        }
    }
    const size_t slash = runnerPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : runnerPath.substr(0, slash);
    int32_t code = TryLibrary(folder + "/../lib/libdvobj.so");
#ifdef DV_INSTALL_LIBDIR
    if (code != DVOBJ_S_OK) {
        code = TryLibrary(folder + "/../" DV_INSTALL_LIBDIR "/libdvobj.so." DV_SOVERSION);
    }
#endif
    if (code == DVOBJ_S_OK || registeredCode == DVOBJ_S_OK) {
        return code;
    }
    why_ = registeredWhy;
    return registeredCode;
}

int32_t ComponentLoader::TryLibrary(const std::string& path) {
    // The component stays mapped until the process ends: the XML libraries
    // it pulls in keep process-wide state that must outlive any dlclose.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library) {
        const char* error = dlerror();
        why_ = error ? error : path;
        return DVOBJ_REGDB_E_CLASSNOTREG;
    }
    int32_t (*getClassObject)(const char*, DvobjClassFactory**) = nullptr;
    int32_t (*createInstance)(DvobjClassFactory*, DvobjDatavane**) = nullptr;
    if (!Resolve(library, "DllGetClassObject", getClassObject) ||
        !Resolve(library, "DvobjClassFactory_CreateInstance", createInstance) ||
        !Resolve(library, "Datavane_Release", release_) ||
        !Resolve(library, "Datavane_TransformWithProgress", transform_) ||
        !Resolve(library, "Datavane_ErrorCode", errorCode_) ||
        !Resolve(library, "Datavane_ErrorMessage", errorMessage_) ||
        !Resolve(library, "Dvobj_FreeString", freeString_)) {
        why_ = path + " is not the Datavane component";
        dlclose(library);
        return DVOBJ_CLASS_E_CLASSNOTAVAILABLE;
    }
    // Older components lack it; only runs with options need it.
    Resolve(library, "Datavane_TransformWithOptions", transformWithOptions_);
    Resolve(library, "Datavane_WriteSchema", writeSchema_);
    // Runs in parts likewise: only --plan, --part and --merge need them.
    Resolve(library, "Datavane_Plan", plan_);
    Resolve(library, "Datavane_RunPart", runPart_);
    Resolve(library, "Datavane_Merge", merge_);
    DvobjClassFactory* factory = nullptr;
    int32_t code = getClassObject(DVOBJ_CLSID_DATAVANE, &factory);
    DvobjDatavane* object = nullptr;
    if (code == DVOBJ_S_OK) {
        code = createInstance(factory, &object);
    }
    if (code != DVOBJ_S_OK || !object) {
        why_.clear();
        dlclose(library);
        return code != DVOBJ_S_OK ? code : DVOBJ_E_FAIL;
    }
    library_ = library;
    object_ = object;
    return DVOBJ_S_OK;
}

bool ComponentLoader::Transform(const char* dvFile, const char* source, const char* target,
                                const DvobjOptions* options, DvobjProgress progress,
                                void* context) {
    if (!object_) {
        return false;
    }
    if (!options) {
        return transform_(object_, dvFile, source, target, progress, context) != 0;
    }
    if (!transformWithOptions_) {
        why_ = "The component is too old for --validate, --gzip and --locale";
        return false;
    }
    return transformWithOptions_(object_, dvFile, source, target, options, progress, context) != 0;
}

bool ComponentLoader::WriteSchema(const char* dvFile, const char* schemaFile, bool setValidation) {
    if (!object_) {
        return false;
    }
    if (!writeSchema_) {
        why_ = "The component is too old for --write-schema";
        return false;
    }
    return writeSchema_(object_, dvFile, schemaFile, setValidation ? 1 : 0) != 0;
}

bool ComponentLoader::Plan(const char* dvFile, const char* source, const char* plan, int32_t parts,
                           const DvobjOptions* options) {
    if (!object_ || !plan_) {
        why_ = "The component is too old for --plan, --part and --merge";
        return false;
    }
    return plan_(object_, dvFile, source, plan, parts, options) != 0;
}

bool ComponentLoader::RunPart(const char* dvFile, const char* source, const char* partFile,
                              int32_t part, int32_t parts, const char* plan,
                              const DvobjOptions* options, DvobjProgress progress, void* context) {
    if (!object_ || !runPart_) {
        why_ = "The component is too old for --plan, --part and --merge";
        return false;
    }
    return runPart_(object_, dvFile, source, partFile, part, parts, plan, options, progress,
                    context) != 0;
}

bool ComponentLoader::Merge(const char* dvFile, const char* source, const char* target,
                            const std::vector<std::string>& parts, const DvobjOptions* options,
                            DvobjProgress progress, void* context) {
    if (!object_ || !merge_) {
        why_ = "The component is too old for --plan, --part and --merge";
        return false;
    }
    std::vector<const char*> names;
    for (const std::string& part : parts) {
        names.push_back(part.c_str());
    }
    return merge_(object_, dvFile, source, target, names.data(), static_cast<int32_t>(names.size()),
                  options, progress, context) != 0;
}

int32_t ComponentLoader::ErrorCode() const {
    return object_ ? errorCode_(object_) : 0;
}

std::string ComponentLoader::ErrorMessage() const {
    if (!object_) {
        return {};
    }
    char* text = errorMessage_(object_);
    std::string message = text ? text : "";
    freeString_(text);
    return message;
}
