#pragma once

#include <string>
#include <string_view>

// How the open definition is named to the user.
namespace DocumentNames {

inline constexpr const char* kProductName = "Tarnwright Datavane";

// The file name without folder and extension: "/data/orders.dv" -> "orders".
std::string DisplayName(std::string_view path);

// "<name> - " when there is a path, " [modified] - " when modified, then the
// product name: "orders -  [modified] - Tarnwright Datavane".
std::string WindowTitle(std::string_view path, bool modified);

// The question asked before a modified definition is discarded.
std::string SaveChangesQuestion(std::string_view path);

}  // namespace DocumentNames
