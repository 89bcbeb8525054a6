#pragma once

#include <cstdint>

// One sort key of a definition: a column by identifier and a direction.
struct SortOrder {
    int32_t columnId = 0;
    bool descending = false;

    bool operator==(const SortOrder&) const = default;
};
