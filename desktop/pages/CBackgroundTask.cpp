#include "CBackgroundTask.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFutureWatcher>
#include <QtConcurrent>

CBackgroundTask::CBackgroundTask(QObject* parent)
    : QObject(parent), generation_(std::make_shared<std::atomic<uint64_t>>(0)) {
    // Two threads: a superseded request that cannot stop at once (a database
    // login, say) does not hold up the newest one.
    pool_.setMaxThreadCount(2);
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, &CBackgroundTask::Launch);
}

CBackgroundTask::~CBackgroundTask() {
    ++*generation_;
    pool_.waitForDone();
}

void CBackgroundTask::Start(Work work, int delayMs) {
    ++*generation_;
    pending_ = std::move(work);
    SetBusy(true);
    delay_.start(delayMs);
}

void CBackgroundTask::Cancel() {
    ++*generation_;
    delay_.stop();
    pending_ = nullptr;
    SetBusy(false);
}

void CBackgroundTask::Launch() {
    if (!pending_) {
        return;
    }
    Work work = std::move(pending_);
    pending_ = nullptr;
    const uint64_t generation = ++*generation_;
    std::shared_ptr<std::atomic<uint64_t>> counter = generation_;
    KeepGoing keepGoing = [counter, generation] { return counter->load() == generation; };
    auto* watcher = new QFutureWatcher<Apply>(this);
    connect(watcher, &QFutureWatcher<Apply>::finished, this, [this, watcher, keepGoing] {
        watcher->deleteLater();
        if (!keepGoing()) {
            return;  // superseded: a newer request owns the busy state
        }
        const Apply apply = watcher->result();
        SetBusy(false);
        if (apply) {
            apply();
        }
    });
    watcher->setFuture(QtConcurrent::run(&pool_, [work = std::move(work), keepGoing]() -> Apply {
        if (!keepGoing()) {
            return {};
        }
        try {
            return work(keepGoing);
        } catch (...) {
            // The work reports its own failures; nothing may escape a thread.
            return {};
        }
    }));
}

void CBackgroundTask::SetBusy(bool busy) {
    if (busy_ != busy) {
        busy_ = busy;
        emit BusyChanged(busy);
    }
}

bool CBackgroundTask::WaitForIdle(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (busy_ && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return !busy_;
}
