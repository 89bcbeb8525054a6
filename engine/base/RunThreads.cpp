#include "RunThreads.h"

#include <sched.h>

#include <charconv>
#include <cstdlib>
#include <thread>

size_t RunThreads::UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) {
            return static_cast<size_t>(count);
        }
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? hardware : 1;
}

std::optional<size_t> RunThreads::Parse(std::string_view text) {
    size_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 1 || value > kMax) {
        return std::nullopt;
    }
    return value;
}

std::optional<size_t> RunThreads::FromEnvironment() {
    const char* text = std::getenv("DATAVANE_THREADS");
    if (!text || !*text) {
        return std::nullopt;
    }
    return Parse(text).value_or(0);
}

size_t RunThreads::Default() {
    const std::optional<size_t> configured = FromEnvironment();
    return configured && *configured > 0 ? *configured : UsableCores();
}
