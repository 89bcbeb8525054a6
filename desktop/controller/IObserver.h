#pragma once

#include <cstdint>

// Receives the change codes of a subject (see ChangeCode.h).
template <typename Subject>
class IObserver {
public:
    virtual ~IObserver() = default;
    virtual void OnChange(int32_t code) = 0;
};
