// The module's C entry points: class factory, unloading, registration, and
// the object's methods.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "CDatavane.h"
#include "Registration.h"
#include "dvobj.h"

struct DvobjClassFactory {
    std::atomic<int32_t> locks{0};
};

namespace {

DvobjClassFactory factory;

bool EqualsNoCase(const char* a, const char* b) {
    return a && b && ::strcasecmp(a, b) == 0;
}

// The class identifier with or without its braces.
bool IsClassId(const char* text) {
    if (EqualsNoCase(text, DVOBJ_CLSID_DATAVANE)) {
        return true;
    }
    const std::string bare(DVOBJ_CLSID_DATAVANE + 1, std::strlen(DVOBJ_CLSID_DATAVANE) - 2);
    return EqualsNoCase(text, bare.c_str());
}

CDatavane* Object(DvobjDatavane* object) {
    return static_cast<CDatavane*>(object);
}

const CDatavane* Object(const DvobjDatavane* object) {
    return static_cast<const CDatavane*>(object);
}

std::string ModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 || !info.dli_fname) {
        return {};
    }
    char resolved[PATH_MAX];
    return ::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
}

}  // namespace

extern "C" {

int32_t DllGetClassObject(const char* classId, DvobjClassFactory** result) {
    if (!result) {
        return DVOBJ_E_POINTER;
    }
    *result = nullptr;
    if (!IsClassId(classId)) {
        return DVOBJ_CLASS_E_CLASSNOTAVAILABLE;
    }
    *result = &factory;
    return DVOBJ_S_OK;
}

int32_t DllCanUnloadNow(void) {
    return (ModuleLockCount().load() == 0 && factory.locks.load() == 0) ? DVOBJ_S_OK
                                                                        : DVOBJ_S_FALSE;
}

int32_t DllRegisterServer(void) {
    const std::string path = ModulePath();
    return (!path.empty() && Registration::Register(path)) ? DVOBJ_S_OK : DVOBJ_SELFREG_E_CLASS;
}

int32_t DllUnregisterServer(void) {
    return Registration::Unregister() ? DVOBJ_S_OK : DVOBJ_SELFREG_E_CLASS;
}

int32_t DvobjClassFactory_CreateInstance(DvobjClassFactory* from, DvobjDatavane** object) {
    if (!object) {
        return DVOBJ_E_POINTER;
    }
    *object = nullptr;
    if (from != &factory) {
        return DVOBJ_E_POINTER;
    }
    CDatavane* created = new (std::nothrow) CDatavane();
    if (!created) {
        return DVOBJ_E_OUTOFMEMORY;
    }
    *object = created;
    return DVOBJ_S_OK;
}

int32_t DvobjClassFactory_LockServer(DvobjClassFactory* from, int lock) {
    if (from != &factory) {
        return DVOBJ_E_POINTER;
    }
    if (lock) {
        ++factory.locks;
    } else if (factory.locks.load() > 0) {
        --factory.locks;
    }
    return DVOBJ_S_OK;
}

int32_t Dvobj_CreateInstance(const char* classIdOrProgId, DvobjDatavane** object) {
    if (!object) {
        return DVOBJ_E_POINTER;
    }
    *object = nullptr;
    if (!IsClassId(classIdOrProgId) && !EqualsNoCase(classIdOrProgId, DVOBJ_PROGID) &&
        !EqualsNoCase(classIdOrProgId, DVOBJ_VERSION_INDEPENDENT_PROGID)) {
        return DVOBJ_REGDB_E_CLASSNOTREG;
    }
    return DvobjClassFactory_CreateInstance(&factory, object);
}

uint32_t Datavane_AddRef(DvobjDatavane* object) {
    return object ? Object(object)->AddRef() : 0;
}

uint32_t Datavane_Release(DvobjDatavane* object) {
    return object ? Object(object)->Release() : 0;
}

int Datavane_Transform(DvobjDatavane* object, const char* dvFile, const char* sourceFile,
                       const char* targetFile) {
    return Datavane_TransformWithProgress(object, dvFile, sourceFile, targetFile, nullptr, nullptr);
}

int Datavane_TransformWithProgress(DvobjDatavane* object, const char* dvFile,
                                   const char* sourceFile, const char* targetFile,
                                   DvobjProgress progress, void* context) {
    return Datavane_TransformWithOptions(object, dvFile, sourceFile, targetFile, nullptr, progress,
                                         context);
}

int Datavane_TransformWithOptions(DvobjDatavane* object, const char* dvFile, const char* sourceFile,
                                  const char* targetFile, const DvobjOptions* options,
                                  DvobjProgress progress, void* context) {
    if (!object) {
        return 0;
    }
    return Object(object)->Transform(dvFile, sourceFile, targetFile, options, progress, context)
               ? 1
               : 0;
}

int Datavane_WriteSchema(DvobjDatavane* object, const char* dvFile, const char* schemaFile,
                         int setValidation) {
    if (!object) {
        return 0;
    }
    return Object(object)->WriteSchema(dvFile, schemaFile, setValidation != 0) ? 1 : 0;
}

namespace {

// A step of a run in parts on the object, 1 when it succeeded.
int RunPartStep(DvobjDatavane* object, const char* dvFile, const char* sourceFile, const char* file,
                const DvobjOptions* options, const CDatavane::PartRequest& request,
                DvobjProgress progress, void* context) {
    if (!object) {
        return 0;
    }
    return Object(object)->RunInParts(dvFile, sourceFile, file, options, request, progress, context)
               ? 1
               : 0;
}

}  // namespace

int Datavane_Plan(DvobjDatavane* object, const char* dvFile, const char* sourceFile,
                  const char* planFile, int32_t parts, const DvobjOptions* options) {
    CDatavane::PartRequest request;
    request.step = CDatavane::PartStep::kPlan;
    request.parts = parts;
    return RunPartStep(object, dvFile, sourceFile, planFile, options, request, nullptr, nullptr);
}

int Datavane_RunPart(DvobjDatavane* object, const char* dvFile, const char* sourceFile,
                     const char* partFile, int32_t part, int32_t parts, const char* planFile,
                     const DvobjOptions* options, DvobjProgress progress, void* context) {
    CDatavane::PartRequest request;
    request.step = CDatavane::PartStep::kPart;
    request.part = part;
    request.parts = parts;
    request.planFile = planFile;
    return RunPartStep(object, dvFile, sourceFile, partFile, options, request, progress, context);
}

int Datavane_Merge(DvobjDatavane* object, const char* dvFile, const char* sourceFile,
                   const char* targetFile, const char* const* partFiles, int32_t partCount,
                   const DvobjOptions* options, DvobjProgress progress, void* context) {
    CDatavane::PartRequest request;
    request.step = CDatavane::PartStep::kMerge;
    request.partFiles = partFiles;
    request.partCount = partCount;
    return RunPartStep(object, dvFile, sourceFile, targetFile, options, request, progress, context);
}

int32_t Datavane_ErrorCode(const DvobjDatavane* object) {
    return object ? Object(object)->ErrorCode() : 0;
}

char* Datavane_ErrorMessage(const DvobjDatavane* object) {
    try {
        const std::string message = object ? Object(object)->ErrorMessage() : std::string();
        return ::strdup(message.c_str());
    } catch (...) {
        return nullptr;
    }
}

void Dvobj_FreeString(char* text) {
    std::free(text);
}

}  // extern "C"
