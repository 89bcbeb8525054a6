#pragma once

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "FileSink.h"
#include "base/ByteBuffer.h"

namespace Norvik {

// Hands the writes of a large document to a thread of its own, so that
// writing (and compressing) overlaps making what follows. Up to kDepth
// blocks wait their turn: a caller that hands over blocks in bursts (the
// pieces of several workers at once) goes on without waiting for each to
// be written. The first write goes straight through: a document written in
// one block never starts a thread. A write that fails is reported by the
// next call.
class BackgroundSink final : public IFileSink {
public:
    static constexpr size_t kDepth = 4;

    explicit BackgroundSink(std::unique_ptr<IFileSink> inner);
    // Writes what is still waiting, then stops the thread.
    ~BackgroundSink() override;
    BackgroundSink(const BackgroundSink&) = delete;
    BackgroundSink& operator=(const BackgroundSink&) = delete;

    bool Write(std::string_view bytes) override;
    // Write without a copy: takes the bytes and leaves bytes empty (holding
    // the memory of an earlier block).
    bool WriteTaking(ByteBuffer& bytes);
    bool Commit() override;
    void Discard() override;
    int Error() const override { return inner_->Error(); }

private:
    // The free block to fill next, once there is one (nullptr once a write
    // failed); called with the lock held.
    ByteBuffer* FreeBlock(std::unique_lock<std::mutex>& lock);
    // Queues the block FreeBlock gave.
    void Queue(std::unique_lock<std::mutex>& lock);
    // Waits until every block handed over is written; false if one failed.
    bool Settle();
    void Run();

    std::unique_ptr<IFileSink> inner_;
    // A ring: count_ blocks from head_ wait or are being written.
    std::array<ByteBuffer, kDepth> blocks_;
    size_t head_ = 0;
    size_t count_ = 0;
    bool failed_ = false;
    bool stop_ = false;
    bool wroteOnce_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;  // last: stops before what it uses goes
};

}  // namespace Norvik
