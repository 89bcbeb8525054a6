#include "BackgroundSink.h"

namespace Norvik {

BackgroundSink::BackgroundSink(std::unique_ptr<IFileSink> inner) : inner_(std::move(inner)) {}

BackgroundSink::~BackgroundSink() {
    if (worker_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
}

void BackgroundSink::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stop_; });
        if (!busy_) {
            return;
        }
        lock.unlock();
        const bool written = inner_->Write(block_);
        lock.lock();
        failed_ = failed_ || !written;
        busy_ = false;
        changed_.notify_all();
    }
}

bool BackgroundSink::Settle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return !failed_;
}

bool BackgroundSink::Write(std::string_view bytes) {
    if (!wroteOnce_) {
        wroteOnce_ = true;
        failed_ = !inner_->Write(bytes);
        return !failed_;
    }
    if (!Settle()) {
        return false;
    }
    block_.clear();
    block_.append(bytes);
    HandOver();
    return true;
}

bool BackgroundSink::WriteTaking(ByteBuffer& bytes) {
    if (!wroteOnce_) {
        const bool written = Write(bytes);
        bytes.clear();
        return written;
    }
    if (!Settle()) {
        return false;
    }
    block_.swap(bytes);
    bytes.clear();
    HandOver();
    return true;
}

void BackgroundSink::HandOver() {
    if (!worker_.joinable()) {
        worker_ = std::thread([this] { Run(); });
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = true;
    }
    changed_.notify_all();
}

bool BackgroundSink::Commit() {
    return Settle() && inner_->Commit();
}

void BackgroundSink::Discard() {
    Settle();
    inner_->Discard();
}

}  // namespace Norvik
