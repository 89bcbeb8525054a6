#pragma once

#include <cstdint>
#include <string>

#include "dvobj.h"

// Finds the component (through its registration file, else beside the
// runner in ../lib), loads it and creates its object. Only the C interface is
// used; the runner links nothing of the engine.
class ComponentLoader {
public:
    ComponentLoader() = default;
    ~ComponentLoader();
    ComponentLoader(const ComponentLoader&) = delete;
    ComponentLoader& operator=(const ComponentLoader&) = delete;

    // DVOBJ_S_OK, or a failure code; why() then says more.
    int32_t Create(const std::string& runnerPath);
    const std::string& Why() const noexcept { return why_; }

    bool Transform(const char* dvFile, const char* source, const char* target,
                   DvobjProgress progress, void* context);
    int32_t ErrorCode() const;
    std::string ErrorMessage() const;

    // The library path the registration file names, or empty.
    static std::string RegisteredLibrary();

private:
    int32_t TryLibrary(const std::string& path);

    void* library_ = nullptr;
    DvobjDatavane* object_ = nullptr;
    std::string why_;
    uint32_t (*release_)(DvobjDatavane*) = nullptr;
    int (*transform_)(DvobjDatavane*, const char*, const char*, const char*, DvobjProgress,
                      void*) = nullptr;
    int32_t (*errorCode_)(const DvobjDatavane*) = nullptr;
    char* (*errorMessage_)(const DvobjDatavane*) = nullptr;
    void (*freeString_)(char*) = nullptr;
};
