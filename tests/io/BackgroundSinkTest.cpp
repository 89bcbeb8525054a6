#include "io/BackgroundSink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

using Norvik::BackgroundSink;
using Norvik::ByteBuffer;

namespace {

// Keeps what it is given; slow on request, so that blocks queue up, and
// failing from a given write on.
struct RecordingSink final : Norvik::IFileSink {
    struct Shared {
        std::mutex mutex;
        std::string written;
        int writes = 0;
        int failFrom = -1;  // the first write that fails, -1 for none
        bool committed = false;
        bool discarded = false;
        std::atomic<bool> slow{false};
    };

    explicit RecordingSink(Shared& shared) : shared_(shared) {}

    bool Write(std::string_view bytes) override {
        if (shared_.slow) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        std::lock_guard<std::mutex> lock(shared_.mutex);
        if (shared_.failFrom >= 0 && shared_.writes >= shared_.failFrom) {
            error_ = ENOSPC;
            return false;
        }
        ++shared_.writes;
        shared_.written.append(bytes);
        return true;
    }
    bool Commit() override {
        shared_.committed = true;
        return true;
    }
    void Discard() override { shared_.discarded = true; }
    int Error() const override { return error_; }

    Shared& shared_;
    int error_ = 0;
};

std::string Block(int i) {
    return std::string(static_cast<size_t>(1 + i * 37 % 5000), static_cast<char>('a' + i % 26));
}

}  // namespace

// Blocks handed over in bursts, faster than they are written, reach the file
// whole and in order; what is handed back holds nothing.
TEST(BackgroundSinkTest, QueuedBlocksAreWrittenInOrder) {
    for (const bool slow : {false, true}) {
        RecordingSink::Shared shared;
        shared.slow = slow;
        std::string expected;
        {
            BackgroundSink sink(std::make_unique<RecordingSink>(shared));
            for (int i = 0; i < 60; ++i) {
                const std::string bytes = Block(i);
                expected += bytes;
                if (i % 3 == 0) {
                    ASSERT_TRUE(sink.Write(bytes));
                } else {
                    ByteBuffer buffer;
                    buffer.append(bytes);
                    ASSERT_TRUE(sink.WriteTaking(buffer));
                    EXPECT_TRUE(buffer.empty());
                }
            }
            ASSERT_TRUE(sink.Commit());
            EXPECT_EQ(shared.written, expected) << slow;
        }
        EXPECT_TRUE(shared.committed);
    }
}

// A write that fails is reported by a later call, the commit fails, and no
// block after it reaches the file.
TEST(BackgroundSinkTest, AFailedWriteStopsTheRest) {
    RecordingSink::Shared shared;
    shared.failFrom = 5;
    shared.slow = true;
    BackgroundSink sink(std::make_unique<RecordingSink>(shared));
    bool refused = false;
    for (int i = 0; i < 40 && !refused; ++i) {
        refused = !sink.Write(Block(i));
    }
    EXPECT_FALSE(sink.Commit());
    EXPECT_EQ(sink.Error(), ENOSPC);
    EXPECT_EQ(shared.writes, 5);
    EXPECT_FALSE(shared.committed);
    sink.Discard();
    EXPECT_TRUE(shared.discarded);
}

// Dropped without a commit (a run that failed elsewhere): the blocks still
// queued are written before the thread stops, and nothing hangs.
TEST(BackgroundSinkTest, DestroyedWithBlocksQueued) {
    RecordingSink::Shared shared;
    shared.slow = true;
    std::string expected;
    {
        BackgroundSink sink(std::make_unique<RecordingSink>(shared));
        for (int i = 0; i < 8; ++i) {
            expected += Block(i);
            ASSERT_TRUE(sink.Write(Block(i)));
        }
    }
    EXPECT_EQ(shared.written, expected);
    EXPECT_FALSE(shared.committed);
}
