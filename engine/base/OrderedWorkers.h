#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Worker threads that do jobs in slots: the caller fills a slot, hands it
// over, and takes finished slots back in the order it handed them over. At
// most every slot is under way at once, which bounds what the jobs hold.
// The work function runs on a worker thread with the worker's index and the
// slot; it must not throw (keep a failure in the slot's job instead).
class OrderedWorkers {
public:
    using Work = std::function<void(size_t worker, size_t slot)>;

    // Starts the threads; throws std::system_error when none can be had.
    OrderedWorkers(size_t threads, size_t slots, Work work);
    // Stops the threads once their current jobs are done.
    ~OrderedWorkers();
    OrderedWorkers(const OrderedWorkers&) = delete;
    OrderedWorkers& operator=(const OrderedWorkers&) = delete;

    size_t Threads() const noexcept { return threads_.size(); }
    size_t Slots() const noexcept { return slots_; }
    // The slot to fill next: free unless Full.
    size_t Filling() const noexcept { return filling_; }
    bool Full() const noexcept { return inFlight_ == slots_; }
    size_t InFlight() const noexcept { return inFlight_; }
    // Hands the filling slot to the workers.
    void Submit();
    // The oldest slot handed over, once its job is done (waiting for it when
    // wait is set); false when none is under way or, without wait, the
    // oldest is not done yet. The slot is free again.
    bool TakeOldest(size_t& slot, bool wait);

private:
    void Run(size_t worker);
    void Stop();

    const size_t slots_;
    Work work_;
    std::vector<bool> done_;
    size_t filling_ = 0;
    size_t oldest_ = 0;
    size_t inFlight_ = 0;
    std::deque<size_t> queue_;  // handed over, not yet taken by a worker
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable jobDone_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
