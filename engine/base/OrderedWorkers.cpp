#include "OrderedWorkers.h"

#include <algorithm>

OrderedWorkers::OrderedWorkers(size_t threads, size_t slots, Work work)
    : slots_(std::max<size_t>(slots, 1)), work_(std::move(work)), done_(slots_, false) {
    try {
        for (size_t i = 0; i < std::max<size_t>(threads, 1); ++i) {
            threads_.emplace_back([this, i] { Run(i); });
        }
    } catch (...) {
        // Threads already started must end before the object goes.
        Stop();
        throw;
    }
}

OrderedWorkers::~OrderedWorkers() {
    Stop();
}

void OrderedWorkers::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
}

void OrderedWorkers::Submit() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_[filling_] = false;
        queue_.push_back(filling_);
    }
    workAvailable_.notify_one();
    ++inFlight_;
    filling_ = (filling_ + 1) % slots_;
}

bool OrderedWorkers::TakeOldest(size_t& slot, bool wait) {
    if (inFlight_ == 0) {
        return false;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (wait) {
        jobDone_.wait(lock, [this] { return done_[oldest_]; });
    } else if (!done_[oldest_]) {
        return false;
    }
    slot = oldest_;
    oldest_ = (oldest_ + 1) % slots_;
    --inFlight_;
    return true;
}

void OrderedWorkers::Run(size_t worker) {
    for (;;) {
        size_t slot = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            workAvailable_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            slot = queue_.front();
            queue_.pop_front();
        }
        work_(worker, slot);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_[slot] = true;
        }
        jobDone_.notify_all();
    }
}
