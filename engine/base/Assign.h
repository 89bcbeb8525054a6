#pragma once

#include <utility>

// Stores value in field when it differs and reports whether it did: the
// setters of the definition, its nodes and filters report changes this way,
// so that editors refresh only what changed.
template <typename T, typename U>
bool AssignIfChanged(T& field, U&& value) {
    if (field == value) {
        return false;
    }
    field = std::forward<U>(value);
    return true;
}
