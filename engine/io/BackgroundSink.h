#pragma once

#include <memory>

#include "FileSink.h"
#include "base/BackgroundWorker.h"
#include "base/ByteBuffer.h"

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

    std::unique_ptr<IFileSink> inner_;
    ByteBuffer block_;  // the worker's while it writes
    bool failed_ = false;
    bool wroteOnce_ = false;
    BackgroundWorker worker_;  // last: stops before what it uses goes
};

}  // namespace Norvik
