#include "SpillSettings.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace Norvik {

namespace {

constexpr size_t kDefaultMegabytes = 64;

std::atomic<size_t> budgetOverride{0};
std::mutex folderMutex;
std::string runFolder;

}  // namespace

size_t SpillSettings::BudgetBytes() {
    if (const size_t forced = budgetOverride.load()) {
        return forced;
    }
    size_t megabytes = kDefaultMegabytes;
    if (const char* text = std::getenv("DATAVANE_MEMORY_MB"); text && *text) {
        char* end = nullptr;
        const long long value = std::strtoll(text, &end, 10);
        if (end && *end == '\0' && value > 0 && value < (1LL << 20)) {
            megabytes = static_cast<size_t>(value);
        }
    }
    return megabytes << 20;
}

std::string SpillSettings::Folder() {
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) {
        return tmp;
    }
    std::lock_guard<std::mutex> lock(folderMutex);
    return runFolder.empty() ? std::string("/tmp") : runFolder;
}

void SpillSettings::SetRunFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(folderMutex);
    runFolder = folder;
}

void SpillSettings::SetBudgetForTesting(size_t bytes) {
    budgetOverride = bytes;
}

}  // namespace Norvik
