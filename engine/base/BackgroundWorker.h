#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace Norvik {

// Does one piece of work at a time on a thread of its own, so that the
// caller can make the next piece meanwhile. The owner keeps the piece's data
// and leaves it alone from HandOver until Settle returns. The thread starts
// with the first piece handed over.
class BackgroundWorker {
public:
    // work: does the piece handed over; false when it failed.
    explicit BackgroundWorker(std::function<bool()> work);
    // Waits for the piece in hand.
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    void HandOver();
    // Waits until the piece in hand is done; false once any piece failed.
    bool Settle();
    void ClearFailure();

private:
    void Run();

    std::function<bool()> work_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool busy_ = false;
    bool stop_ = false;
    bool failed_ = false;
};

}  // namespace Norvik
