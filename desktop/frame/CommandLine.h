#pragma once

#include <string>
#include <vector>

// What the desktop program was started for.
struct CommandLine {
    enum class Action { kOpen, kRegister, kUnregister, kHelp, kVersion };

    Action action = Action::kOpen;
    // The definition to open: every argument joined by single spaces, so an
    // unquoted path with spaces still names one file. Empty for none.
    std::string path;

    static CommandLine Parse(const std::vector<std::string>& arguments);
    static std::string Usage();
};
