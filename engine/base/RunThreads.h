#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// How many threads a run writes its rows with.
class RunThreads {
public:
    static constexpr size_t kMax = 256;

    // The cores this process may run on (its CPU affinity), at least 1.
    static size_t UsableCores();
    // DATAVANE_THREADS when it holds a valid count, else UsableCores.
    static size_t Default();
    // A whole number from 1 to kMax, as a user types it; nothing otherwise.
    static std::optional<size_t> Parse(std::string_view text);
    // What DATAVANE_THREADS says: nothing when unset or empty, 0 when it
    // holds no valid count.
    static std::optional<size_t> FromEnvironment();
};
