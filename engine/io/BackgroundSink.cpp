#include "BackgroundSink.h"

namespace Norvik {

BackgroundSink::BackgroundSink(std::unique_ptr<IFileSink> inner)
    : inner_(std::move(inner)), worker_([this] { return inner_->Write(block_); }) {}

BackgroundSink::~BackgroundSink() = default;

bool BackgroundSink::Settle() {
    return worker_.Settle() && !failed_;
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
    worker_.HandOver();
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
    worker_.HandOver();
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
