#include "CController.h"

#include <algorithm>

#include "ChangeCode.h"
#include "base/PlatformError.h"
#include "xml/CXMLDocument.h"

namespace {

// Why a load failed: the parser's reason when the file does not parse (and
// nothing could be read), a general one when it parses but is not a
// definition.
std::string LoadFailureReason(const std::string& path, const DVFile& definition, bool& parsed) {
    Norvik::CXMLDocument document;
    parsed = document.Load(path);
    if (!definition.GetLastError().empty()) {
        return definition.GetLastError();
    }
    if (!parsed) {
        const Norvik::XmlParseError& error = document.ParseError();
        return error.reason.empty() ? "The file cannot be read." : Norvik::FormatParseError(error);
    }
    return "The file is not a valid transformation definition.";
}

}  // namespace

CController::CController(std::string startupPath)
    : definition_(std::make_unique<DVFile>(DVFile::NewDefinition())),
      startupPath_(std::move(startupPath)) {}

void CController::Discard() {
    undo_.clear();
    redo_.clear();
    definition_ = std::make_unique<DVFile>(DVFile::NewDefinition());
    lastError_.clear();
}

void CController::MakeUntitled() {
    ++untitledCounter_;
    path_ = "Transform" + std::to_string(untitledCounter_) + ".dv";
    untitled_ = true;
}

void CController::New() {
    Discard();
    MakeUntitled();
    modified_ = false;
    TakeSnapshot();
    Notify(ChangeCode::kAll);
}

bool CController::Open(const std::string& path) {
    Discard();
    bool loaded = false;
    bool failedWithError = false;
    try {
        loaded = definition_->LoadProjectFileKeepingPartial(path);
    } catch (const Norvik::PlatformError& error) {
        lastError_ = error.Description();
        failedWithError = true;
    }
    if (loaded) {
        path_ = path;
        untitled_ = false;
        modified_ = false;
    } else {
        bool parsed = false;
        const std::string reason = LoadFailureReason(path, *definition_, parsed);
        if (!failedWithError) {
            lastError_ = reason;
        }
        // What was read stays, under a new name: saving it must not write
        // over the file it came from.
        MakeUntitled();
        modified_ = parsed;
    }
    TakeSnapshot();
    Notify(ChangeCode::kAll);
    return loaded;
}

bool CController::Save() {
    lastError_.clear();
    if (!definition_->SaveProjectFile(path_)) {
        lastError_ = definition_->GetLastError();
        if (lastError_.empty()) {
            lastError_ = "The file cannot be written.";
        }
        return false;
    }
    modified_ = false;
    return true;
}

bool CController::SaveAs(const std::string& path) {
    const std::string previous = path_;
    path_ = path;
    if (!Save()) {
        path_ = previous;
        return false;
    }
    untitled_ = false;
    return true;
}

void CController::Changed(int32_t code) {
    if (changing_) {
        return;
    }
    changing_ = true;
    std::function<void()> restoreFocus;
    if (host_) {
        restoreFocus = host_->SaveFocus();
    }
    modified_ = true;
    TakeSnapshot();
    if (code != ChangeCode::kNone) {
        Notify(code);
        if (restoreFocus) {
            restoreFocus();
        }
    }
    if (host_) {
        host_->DocumentStateChanged();
    }
    changing_ = false;
}

void CController::TakeSnapshot() {
    ++serial_;
    redo_.clear();
    undo_.push_back(Snapshot{*definition_, modified_,
                             viewState_ ? viewState_->SaveViewState() : std::string()});
    while (undo_.size() > kMaxSnapshots) {
        undo_.pop_front();
    }
}

void CController::Restore(const Snapshot& snapshot) {
    ++serial_;
    *definition_ = snapshot.definition;
    modified_ = snapshot.modified;
}

bool CController::Undo() {
    if (!CanUndo()) {
        return false;
    }
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    Restore(undo_.back());
    Notify(ChangeCode::kAll);
    if (viewState_) {
        viewState_->RestoreViewState(redo_.back().viewState);
    }
    return true;
}

bool CController::Redo() {
    if (!CanRedo()) {
        return false;
    }
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    Restore(undo_.back());
    Notify(ChangeCode::kAll);
    if (viewState_) {
        viewState_->RestoreViewState(undo_.back().viewState);
    }
    return true;
}

void CController::Notify(int32_t code) {
    if (host_) {
        host_->BeginWait();
    }
    ++notifying_;
    // Observers may unregister during the loop; their slots are nulled and
    // compacted afterwards.
    for (size_t i = 0; i < observers_.size(); ++i) {
        if (IObserver<CController>* observer = observers_[i]) {
            observer->OnChange(code);
        }
    }
    if (--notifying_ == 0) {
        std::erase(observers_, nullptr);
    }
    if (host_) {
        host_->EndWait();
    }
}

void CController::AddObserver(IObserver<CController>* observer, bool first) {
    if (!observer ||
        std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) {
        return;
    }
    // Never shift the list under a notification in progress.
    if (first && notifying_ == 0) {
        observers_.insert(observers_.begin(), observer);
    } else {
        observers_.push_back(observer);
    }
}

void CController::RemoveObserver(IObserver<CController>* observer) {
    auto it = std::find(observers_.begin(), observers_.end(), observer);
    if (it == observers_.end()) {
        return;
    }
    if (notifying_ > 0) {
        *it = nullptr;
    } else {
        observers_.erase(it);
    }
}
