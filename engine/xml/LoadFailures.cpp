#include "LoadFailures.h"

namespace Norvik {

namespace {

thread_local LoadFailures* current = nullptr;

}  // namespace

LoadFailures::LoadFailures() : previous_(current) {
    current = this;
}

LoadFailures::~LoadFailures() {
    current = previous_;
}

void LoadFailures::Note(const std::string& reason) {
    if (current && current->first_.empty()) {
        current->first_ = reason;
    }
}

}  // namespace Norvik
