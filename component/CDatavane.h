#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "dvobj.h"

// The C handle is the object itself.
struct DvobjDatavane {
protected:
    DvobjDatavane() = default;
    ~DvobjDatavane() = default;
};

// The one creatable class: runs a definition per Transform call and keeps
// the outcome of the last call in two properties.
class CDatavane final : public DvobjDatavane {
public:
    CDatavane();
    ~CDatavane();

    uint32_t AddRef() noexcept;
    uint32_t Release() noexcept;

    // Never throws; every outcome goes into the properties.
    bool Transform(const char* dvFile, const char* sourceFile, const char* targetFile,
                   const DvobjOptions* options, DvobjProgress progress, void* context) noexcept;
    // Writes the schema of what the definition writes; never throws.
    bool WriteSchema(const char* dvFile, const char* schemaFile, bool setValidation) noexcept;
    // A run in parts: partitioned says what to do with the definition
    // loaded and set up as Transform sets it up.
    enum class PartStep { kPlan, kPart, kMerge };
    struct PartRequest {
        PartStep step = PartStep::kPart;
        int32_t part = 0;
        int32_t parts = 1;
        const char* planFile = nullptr;
        const char* const* partFiles = nullptr;
        int32_t partCount = 0;
    };
    bool RunInParts(const char* dvFile, const char* sourceFile, const char* targetFile,
                    const DvobjOptions* options, const PartRequest& request, DvobjProgress progress,
                    void* context) noexcept;
    int32_t ErrorCode() const;
    std::string ErrorMessage() const;

private:
    // Loads dvFile, applies the file names and options, and calls step with
    // the run: its code and message become the outcome.
    // Runs body (which gives a result code and sets the message) as the
    // call's outcome: what it throws becomes a code and message too.
    template <typename Body>
    bool Outcome(const Body& body) noexcept;
    template <typename Step>
    bool Execute(const char* dvFile, const char* sourceFile, const char* targetFile,
                 const DvobjOptions* options, const Step& step) noexcept;

    std::atomic<uint32_t> references_{1};
    // Calls on one object from two threads overwrite each other's outcome,
    // but never tear it.
    mutable std::mutex mutex_;
    int32_t code_ = 0;
    std::string message_;
};

// Objects and server locks alive in the module.
std::atomic<int32_t>& ModuleLockCount();
