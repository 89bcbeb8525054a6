#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dvobj.h"

// Finds the component, loads it and creates its object. It looks, in this
// order, at the user's registration file, the system's (under each folder of
// $XDG_CONFIG_DIRS, by default /etc/xdg, where the package puts one), and
// beside the runner in ../lib and in the installed library folder. Only the
// C interface is used; the runner links nothing of the engine.
class ComponentLoader {
public:
    ComponentLoader() = default;
    ~ComponentLoader();
    ComponentLoader(const ComponentLoader&) = delete;
    ComponentLoader& operator=(const ComponentLoader&) = delete;

    // DVOBJ_S_OK, or a failure code; why() then says more.
    int32_t Create(const std::string& runnerPath);
    const std::string& Why() const noexcept { return why_; }

    // options may be null; with options, a component without
    // Datavane_TransformWithOptions fails the call (Why() says so).
    bool Transform(const char* dvFile, const char* source, const char* target,
                   const DvobjOptions* options, DvobjProgress progress, void* context);
    // False when the component has no Datavane_WriteSchema (Why() says so).
    bool WriteSchema(const char* dvFile, const char* schemaFile, bool setValidation);
    // Runs in parts (see dvobj.h); a component without them fails the call
    // (Why() says so).
    bool Plan(const char* dvFile, const char* source, const char* plan, int32_t parts,
              const DvobjOptions* options);
    bool RunPart(const char* dvFile, const char* source, const char* partFile, int32_t part,
                 int32_t parts, const char* plan, const DvobjOptions* options,
                 DvobjProgress progress, void* context);
    bool Merge(const char* dvFile, const char* source, const char* target,
               const std::vector<std::string>& parts, const DvobjOptions* options,
               DvobjProgress progress, void* context);
    int32_t ErrorCode() const;
    std::string ErrorMessage() const;

    // The library path a registration file names, or empty.
    static std::string RegisteredLibrary(const std::string& file);
    // The registration files, the user's first.
    static std::vector<std::string> RegistrationFiles();

private:
    int32_t TryLibrary(const std::string& path);

    void* library_ = nullptr;
    DvobjDatavane* object_ = nullptr;
    std::string why_;
    uint32_t (*release_)(DvobjDatavane*) = nullptr;
    int (*transform_)(DvobjDatavane*, const char*, const char*, const char*, DvobjProgress,
                      void*) = nullptr;
    int (*transformWithOptions_)(DvobjDatavane*, const char*, const char*, const char*,
                                 const DvobjOptions*, DvobjProgress, void*) = nullptr;
    int (*writeSchema_)(DvobjDatavane*, const char*, const char*, int) = nullptr;
    int (*plan_)(DvobjDatavane*, const char*, const char*, const char*, int32_t,
                 const DvobjOptions*) = nullptr;
    int (*runPart_)(DvobjDatavane*, const char*, const char*, const char*, int32_t, int32_t,
                    const char*, const DvobjOptions*, DvobjProgress, void*) = nullptr;
    int (*merge_)(DvobjDatavane*, const char*, const char*, const char*, const char* const*,
                  int32_t, const DvobjOptions*, DvobjProgress, void*) = nullptr;
    int32_t (*errorCode_)(const DvobjDatavane*) = nullptr;
    char* (*errorMessage_)(const DvobjDatavane*) = nullptr;
    void (*freeString_)(char*) = nullptr;
};
