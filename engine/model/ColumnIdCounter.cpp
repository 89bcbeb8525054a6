#include "ColumnIdCounter.h"

#include <atomic>
#include <limits>

namespace ColumnIdCounter {

namespace {
std::atomic<int32_t> next{1};
}

int32_t Next() {
    return next.fetch_add(1);
}

void Observe(int32_t id) {
    if (id == std::numeric_limits<int32_t>::max()) {
        return;  // nothing above it; the counter cannot follow
    }
    int32_t current = next.load();
    while (current <= id && !next.compare_exchange_weak(current, id + 1)) {
    }
}

int32_t Peek() {
    return next.load();
}

}  // namespace ColumnIdCounter
