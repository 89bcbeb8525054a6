#pragma once

#include <QObject>

// While it lives, swallows every mouse and key event of the application (the
// user's input meant for what was on screen before), counting them.
class CInputGuard : public QObject {
    Q_OBJECT

public:
    CInputGuard();
    ~CInputGuard() override;
    CInputGuard(const CInputGuard&) = delete;
    CInputGuard& operator=(const CInputGuard&) = delete;

    int Swallowed() const noexcept { return swallowed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int swallowed_ = 0;
};
