#pragma once

#include <cstdint>

#include "controller/ChangeCode.h"

// Whether a change code reaches a level: each code includes all lower levels,
// so code c reaches level L when every bit of L is set in c.
inline bool Reaches(int32_t code, int32_t level) {
    return level != 0 && (code & level) == level;
}
