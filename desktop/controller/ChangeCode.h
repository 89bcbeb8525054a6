#pragma once

#include <cstdint>

// How much of the definition a change touched. Each code includes every lower
// level, so an observer tests the bits of the level it depends on.
namespace ChangeCode {
inline constexpr int32_t kAll = 127;         // replaced: new, open, undo, redo, start-up
inline constexpr int32_t kSourceType = 63;   // the source type
inline constexpr int32_t kSource = 31;       // file, delimiters, breaks, ODBC, column properties
inline constexpr int32_t kSelection = 15;    // table or SQL query
inline constexpr int32_t kTree = 3;          // the XML node tree
inline constexpr int32_t kOutput = 1;        // XML output settings
inline constexpr int32_t kNone = 0;          // changed, but no view needs refreshing
}  // namespace ChangeCode
