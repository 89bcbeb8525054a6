#pragma once

#include <utility>

// Stores value in field when it differs; reports whether it did. The sheets
// write plain fields (column settings) the way the definition's setters
// write theirs.
template <typename T, typename U>
bool AssignField(T& field, U&& value) {
    if (field == value) {
        return false;
    }
    field = std::forward<U>(value);
    return true;
}
