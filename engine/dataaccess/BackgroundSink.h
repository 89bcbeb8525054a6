#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "ByteBuffer.h"
#include "FileSink.h"

namespace Norvik {

// Hands the writes of a large document to a thread of its own, so that
// writing (and compressing) one block overlaps making the next. The first
// write goes straight through: a document written in one block never starts
// a thread. A write that fails is reported by the next call.
class BackgroundSink final : public IFileSink {
public:
    explicit BackgroundSink(std::unique_ptr<IFileSink> inner);
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
    // Waits until the last handed-over block is written; false if it failed.
    bool Settle();
    // Hands block_ (filled) to the worker.
    void HandOver();
    void Run();

    std::unique_ptr<IFileSink> inner_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    ByteBuffer block_;  // owned by the worker while busy_
    bool busy_ = false;
    bool stop_ = false;
    bool failed_ = false;
    bool wroteOnce_ = false;
};

}  // namespace Norvik
