#include "BackgroundValidator.h"

namespace Norvik {

BackgroundValidator::BackgroundValidator(CSchemaValidator& validator)
    : validator_(validator), worker_([this] { return validator_.Feed(block_); }) {}

BackgroundValidator::~BackgroundValidator() = default;

bool BackgroundValidator::Settle() {
    return worker_.Settle() && !failed_;
}

void BackgroundValidator::Begin(const std::string& name, bool trusted, bool mayBindSchemaInstance) {
    Settle();
    worker_.ClearFailure();
    failed_ = false;
    fedOnce_ = false;
    validator_.Begin(name, trusted, mayBindSchemaInstance);
}

bool BackgroundValidator::Feed(std::string_view bytes) {
    if (!Settle()) {
        return false;
    }
    if (!fedOnce_) {
        fedOnce_ = true;
        failed_ = !validator_.Feed(bytes);
        return !failed_;
    }
    block_.assign(bytes);
    worker_.HandOver();
    return true;
}

bool BackgroundValidator::End() {
    if (!Settle()) {
        return false;
    }
    failed_ = !validator_.End();
    return !failed_;
}

}  // namespace Norvik
