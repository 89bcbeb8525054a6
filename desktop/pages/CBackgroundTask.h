#pragma once

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

// Runs slow work (previews, connection tests, table lists) off the user
// interface thread, newest request wins: every Start supersedes the request
// before it, whose result is then dropped and whose keepGoing() turns false
// so that cooperative work stops early. The work gets only what it captured
// (a copy of the definition, never the editor's own) and returns what to do
// with its result back on the user interface thread.
class CBackgroundTask : public QObject {
    Q_OBJECT

public:
    using Apply = std::function<void()>;
    using KeepGoing = std::function<bool()>;
    using Work = std::function<Apply(const KeepGoing& keepGoing)>;

    explicit CBackgroundTask(QObject* parent = nullptr);
    // Supersedes what is running and waits for the pool to drain.
    ~CBackgroundTask() override;

    // Starts work after delayMs (edits in quick succession start it once).
    void Start(Work work, int delayMs = 0);
    // Drops the pending and the running request.
    void Cancel();
    bool IsBusy() const noexcept { return busy_; }
    // Waits until the newest request has been applied or dropped (tests).
    bool WaitForIdle(int timeoutMs = 30000);

signals:
    void BusyChanged(bool busy);

private:
    void Launch();
    void SetBusy(bool busy);

    QThreadPool pool_;
    QTimer delay_;
    Work pending_;
    std::shared_ptr<std::atomic<uint64_t>> generation_;
    bool busy_ = false;
};
