#include "BackgroundSink.h"

namespace Norvik {

BackgroundSink::BackgroundSink(std::unique_ptr<IFileSink> inner) : inner_(std::move(inner)) {}

BackgroundSink::~BackgroundSink() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
}

void BackgroundSink::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return count_ > 0 || stop_; });
        if (count_ == 0) {
            return;
        }
        // Once a write failed the rest are dropped: the file is lost anyway.
        ByteBuffer& block = blocks_[head_];
        if (!failed_) {
            lock.unlock();
            const bool written = inner_->Write(block);
            lock.lock();
            failed_ = failed_ || !written;
        }
        head_ = (head_ + 1) % kDepth;
        --count_;
        changed_.notify_all();
    }
}

ByteBuffer* BackgroundSink::FreeBlock(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return count_ < kDepth || failed_; });
    return failed_ ? nullptr : &blocks_[(head_ + count_) % kDepth];
}

void BackgroundSink::Queue(std::unique_lock<std::mutex>& lock) {
    // The thread first: should it fail to start, nothing waits to be written.
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
    }
    ++count_;
    lock.unlock();
    changed_.notify_all();
}

bool BackgroundSink::Settle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return count_ == 0; });
    return !failed_;
}

bool BackgroundSink::Write(std::string_view bytes) {
    if (!wroteOnce_) {
        wroteOnce_ = true;
        failed_ = !inner_->Write(bytes);
        return !failed_;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    ByteBuffer* block = FreeBlock(lock);
    if (!block) {
        return false;
    }
    block->clear();
    block->append(bytes);
    Queue(lock);
    return true;
}

bool BackgroundSink::WriteTaking(ByteBuffer& bytes) {
    if (!wroteOnce_) {
        const bool written = Write(bytes);
        bytes.clear();
        return written;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    ByteBuffer* block = FreeBlock(lock);
    if (!block) {
        return false;
    }
    block->swap(bytes);
    bytes.clear();
    Queue(lock);
    return true;
}

bool BackgroundSink::Commit() {
    return Settle() && inner_->Commit();
}

void BackgroundSink::Discard() {
    Settle();
    inner_->Discard();
}

}  // namespace Norvik
