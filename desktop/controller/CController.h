#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "IObserver.h"
#include "model/DVFile.h"

// Owns the one open definition of the desktop program: its path, modified
// flag, undo and redo history of whole snapshots, and the change
// notifications every view listens to. Free of any user-interface toolkit;
// the frame supplies the wait cursor, focus keeping and view state through
// the two small interfaces below.
class CController {
public:
    // The current state plus 100 undo steps.
    static constexpr size_t kMaxSnapshots = 101;

    // Opaque view state (selected tab, selected node …) stored with each
    // snapshot and handed back on undo and redo.
    class IViewStateProvider {
    public:
        virtual ~IViewStateProvider() = default;
        virtual std::string SaveViewState() = 0;
        virtual void RestoreViewState(const std::string& token) = 0;
    };

    // User-interface effects of notifications.
    class IHost {
    public:
        virtual ~IHost() = default;
        virtual void BeginWait() {}
        virtual void EndWait() {}
        // Remembers the focused window; the returned function gives the focus
        // back when that window still exists and is visible.
        virtual std::function<void()> SaveFocus() { return {}; }
        // After every Changed, also those that notify nobody: the modified
        // flag and the undo history moved.
        virtual void DocumentStateChanged() {}
    };

    explicit CController(std::string startupPath = {});
    CController(const CController&) = delete;
    CController& operator=(const CController&) = delete;

    // Replaces the definition with an empty, untitled "Transform<n>.dv".
    void New();
    // Replaces the definition with the one stored at path. On failure the
    // definition holds what could be read before the failure (nothing when
    // the file does not parse), untitled (never the failed file's path, so a
    // later Save asks for one and cannot overwrite that file), modified when
    // anything was read, and LastError() says why.
    bool Open(const std::string& path);
    // Writes the definition to its path; clean on success.
    bool Save();
    // Takes path as the definition's path, then saves; titled on success.
    bool SaveAs(const std::string& path);

    // Called after every edit. Ignored while another Changed is running.
    void Changed(int32_t code);
    bool Undo();
    bool Redo();
    bool CanUndo() const noexcept { return undo_.size() >= 2; }
    bool CanRedo() const noexcept { return !redo_.empty(); }
    // Tells every observer, in registration order, under the wait cursor.
    void Notify(int32_t code);

    // In registration order, or ahead of all others when first is set.
    void AddObserver(IObserver<CController>* observer, bool first = false);
    void RemoveObserver(IObserver<CController>* observer);
    void SetViewStateProvider(IViewStateProvider* provider) noexcept { viewState_ = provider; }
    void SetHost(IHost* host) noexcept { host_ = host; }

    DVFile& Definition() noexcept { return *definition_; }
    const DVFile& Definition() const noexcept { return *definition_; }
    // The definition's project file path ("Transform<n>.dv" while untitled).
    const std::string& Path() const noexcept { return path_; }
    bool IsModified() const noexcept { return modified_; }
    bool IsUntitled() const noexcept { return untitled_; }
    // Why the last Open or Save failed.
    const std::string& LastError() const noexcept { return lastError_; }
    const std::string& StartupPath() const noexcept { return startupPath_; }
    // Grows with every change, replacement, undo and redo: work done on a
    // copy of the definition is still current when the serial is unchanged.
    uint64_t ChangeSerial() const noexcept { return serial_; }
    size_t UndoDepth() const noexcept { return undo_.size(); }
    size_t RedoDepth() const noexcept { return redo_.size(); }

private:
    struct Snapshot {
        DVFile definition;
        bool modified = false;
        std::string viewState;
    };

    void Discard();
    void MakeUntitled();
    void TakeSnapshot();
    void Restore(const Snapshot& snapshot);

    std::unique_ptr<DVFile> definition_;
    std::string path_;
    bool modified_ = false;
    bool untitled_ = true;
    int untitledCounter_ = 0;
    std::deque<Snapshot> undo_;
    std::vector<Snapshot> redo_;
    std::vector<IObserver<CController>*> observers_;
    bool changing_ = false;
    int notifying_ = 0;
    IViewStateProvider* viewState_ = nullptr;
    IHost* host_ = nullptr;
    std::string lastError_;
    std::string startupPath_;
    uint64_t serial_ = 0;
};
