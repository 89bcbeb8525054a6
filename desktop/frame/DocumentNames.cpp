#include "DocumentNames.h"

namespace DocumentNames {

std::string DisplayName(std::string_view path) {
    if (const size_t slash = path.find_last_of('/'); slash != std::string_view::npos) {
        path.remove_prefix(slash + 1);
    }
    if (const size_t dot = path.find_last_of('.'); dot != std::string_view::npos && dot > 0) {
        path = path.substr(0, dot);
    }
    return std::string(path);
}

std::string WindowTitle(std::string_view path, bool modified) {
    std::string title;
    if (!path.empty()) {
        title = DisplayName(path) + " - ";
    }
    if (modified) {
        title += " [modified] - ";
    }
    return title + kProductName;
}

std::string SaveChangesQuestion(std::string_view path) {
    return "You have made changes to " + DisplayName(path) +
           ". Do you want to save your changes?";
}

}  // namespace DocumentNames
