#include "base/OrderedWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// Jobs come back in the order they were handed over, however the threads
// finish them, and no more than the slots are ever under way.
TEST(OrderedWorkersTest, TakesJobsBackInTheOrderTheyWereHandedOver) {
    constexpr size_t kSlots = 4;
    std::vector<int> value(kSlots);
    std::vector<int> result(kSlots);
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
    OrderedWorkers workers(3, kSlots, [&](size_t, size_t slot) {
        const int now = ++running;
        int seen = mostRunning;
        while (now > seen && !mostRunning.compare_exchange_weak(seen, now)) {
        }
        // Early jobs take longest, so later ones finish first.
        std::this_thread::sleep_for(std::chrono::microseconds(value[slot] % 3 == 0 ? 300 : 10));
        result[slot] = value[slot] * 2;
        --running;
    });
    std::vector<int> taken;
    size_t slot = 0;
    for (int job = 0; job < 40; ++job) {
        value[workers.Filling()] = job;
        workers.Submit();
        while (workers.TakeOldest(slot, workers.Full())) {
            taken.push_back(result[slot]);
        }
    }
    while (workers.TakeOldest(slot, true)) {
        taken.push_back(result[slot]);
    }
    ASSERT_EQ(taken.size(), 40u);
    for (int job = 0; job < 40; ++job) {
        EXPECT_EQ(taken[static_cast<size_t>(job)], job * 2);
    }
    EXPECT_LE(mostRunning.load(), 3);
    EXPECT_FALSE(workers.TakeOldest(slot, true));  // nothing under way
}
