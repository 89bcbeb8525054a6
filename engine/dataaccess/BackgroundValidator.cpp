#include "BackgroundValidator.h"

namespace Norvik {

BackgroundValidator::BackgroundValidator(CSchemaValidator& validator) : validator_(validator) {}

BackgroundValidator::~BackgroundValidator() {
    if (worker_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
}

void BackgroundValidator::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stop_; });
        if (!busy_) {
            return;
        }
        lock.unlock();
        const bool valid = validator_.Feed(block_);
        lock.lock();
        failed_ = failed_ || !valid;
        busy_ = false;
        changed_.notify_all();
    }
}

bool BackgroundValidator::Settle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return !failed_;
}

void BackgroundValidator::Begin(const std::string& name, bool trusted) {
    Settle();
    failed_ = false;
    fedOnce_ = false;
    validator_.Begin(name, trusted);
}

bool BackgroundValidator::Feed(std::string_view bytes) {
    if (!Settle()) {
        return false;
    }
    if (!fedOnce_) {
        fedOnce_ = true;
        failed_ = !validator_.Feed(bytes);
        return !failed_;
    }
    block_.assign(bytes);
    if (!worker_.joinable()) {
        worker_ = std::thread([this] { Run(); });
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = true;
    }
    changed_.notify_all();
    return true;
}

bool BackgroundValidator::End() {
    if (!Settle()) {
        return false;
    }
    failed_ = !validator_.End();
    return !failed_;
}

}  // namespace Norvik
