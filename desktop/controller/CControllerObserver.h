#pragma once

#include <cstdint>

#include "CController.h"
#include "IObserver.h"

// Base of every window that shows definition data. Registers with the
// controller for its lifetime and forwards change codes to T::OnUpdate(code),
// except while an update is already running (busy) or while the window is
// hidden (deferred): codes that arrive then are OR-ed into a pending mask,
// which is applied when the window stops deferring.
template <typename T>
class CControllerObserver : public IObserver<CController> {
public:
    // first: notified before the observers registered earlier (mirrors of the
    // definition that views read must be current before the views update).
    explicit CControllerObserver(CController& controller, bool first = false)
        : controller_(controller) {
        controller_.AddObserver(this, first);
    }
    ~CControllerObserver() override { controller_.RemoveObserver(this); }
    CControllerObserver(const CControllerObserver&) = delete;
    CControllerObserver& operator=(const CControllerObserver&) = delete;

    void OnChange(int32_t code) override {
        if (deferred_) {
            pending_ |= code;
            return;
        }
        if (busy_) {
            return;
        }
        busy_ = true;
        static_cast<T*>(this)->OnUpdate(code);
        busy_ = false;
    }

    // Hidden windows defer; showing one again applies what it missed.
    void SetDeferred(bool deferred) {
        deferred_ = deferred;
        if (!deferred_ && pending_ != 0) {
            const int32_t code = pending_;
            pending_ = 0;
            OnChange(code);
        }
    }
    bool IsDeferred() const noexcept { return deferred_; }
    bool IsBusy() const noexcept { return busy_; }
    int32_t PendingMask() const noexcept { return pending_; }

protected:
    CController& Controller() const noexcept { return controller_; }

private:
    CController& controller_;
    bool busy_ = false;
    bool deferred_ = false;
    int32_t pending_ = 0;
};
