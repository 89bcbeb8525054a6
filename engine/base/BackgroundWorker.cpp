#include "BackgroundWorker.h"

namespace Norvik {

BackgroundWorker::BackgroundWorker(std::function<bool()> work) : work_(std::move(work)) {}

BackgroundWorker::~BackgroundWorker() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
}

void BackgroundWorker::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stop_; });
        if (!busy_) {
            return;
        }
        lock.unlock();
        const bool done = work_();
        lock.lock();
        failed_ = failed_ || !done;
        busy_ = false;
        changed_.notify_all();
    }
}

void BackgroundWorker::HandOver() {
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = true;
    }
    changed_.notify_all();
}

bool BackgroundWorker::Settle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return !failed_;
}

void BackgroundWorker::ClearFailure() {
    std::lock_guard<std::mutex> lock(mutex_);
    failed_ = false;
}

}  // namespace Norvik
