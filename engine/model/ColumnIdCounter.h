#pragma once

#include <cstdint>

// The process-wide source of column identifiers. Identifiers are positive and
// unique within the process; loading a definition raises the counter above
// every identifier it reads. Safe to use from several threads.
namespace ColumnIdCounter {

// Takes the current value and advances the counter.
int32_t Next();
// Makes sure the next value is above id.
void Observe(int32_t id);
// The value Next would return.
int32_t Peek();

}  // namespace ColumnIdCounter
