#include "CommandLine.h"

namespace {

// The switch letter of an argument, or 0 when it is not a switch.
char SwitchLetter(const std::string& argument) {
    if (argument.size() != 2 || (argument[0] != '/' && argument[0] != '-' && argument[0] != '~')) {
        return 0;
    }
    const char letter = argument[1];
    return (letter == 's' || letter == 't' || letter == 'l' || letter == 'v') ? letter : 0;
}

// Whether an argument is one of the switches (which ends a --merge list).
bool IsSwitch(const std::string& argument) {
    return SwitchLetter(argument) != 0 || argument.starts_with("--");
}

}  // namespace

CommandLine CommandLine::Parse(int argc, char** argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        line.arguments.emplace_back(argv[i]);
    }
    for (size_t i = 0; i < line.arguments.size(); ++i) {
        const std::string& argument = line.arguments[i];
        if (argument == "--gzip") {
            line.gzip = true;
            continue;
        }
        if (argument == "--set-validation") {
            line.setValidation = true;
            continue;
        }
        if (argument == "--merge") {
            std::vector<std::string>& parts = line.merge.emplace();
            while (i + 1 < line.arguments.size() && !IsSwitch(line.arguments[i + 1])) {
                parts.push_back(line.arguments[++i]);
            }
            continue;
        }
        if (argument == "--locale" || argument == "--threads" || argument == "--write-schema" ||
            argument == "--part" || argument == "--plan") {
            const std::string value = i + 1 < line.arguments.size() ? line.arguments[++i] : "";
            std::optional<std::string>& slot = argument == "--locale"         ? line.locale
                                               : argument == "--threads"      ? line.threads
                                               : argument == "--write-schema" ? line.writeSchema
                                               : argument == "--part"         ? line.part
                                                                              : line.plan;
            if (!slot) {
                slot = value;
            }
            continue;
        }
        const char letter = argument == "--validate" ? 'v' : SwitchLetter(argument);
        if (letter == 0) {
            if (!line.project && argument != "/S" && argument != "-S" && argument != "~S" &&
                argument != "/T" && argument != "-T" && argument != "~T" && argument != "/L" &&
                argument != "-L" && argument != "~L") {
                line.project = argument;
            }
            continue;
        }
        const std::string value = i + 1 < line.arguments.size() ? line.arguments[++i] : "";
        std::optional<std::string>& slot = letter == 's'   ? line.source
                                           : letter == 't' ? line.target
                                           : letter == 'v' ? line.validate
                                                           : line.log;
        if (!slot) {
            slot = value;
        }
    }
    return line;
}

std::string CommandLine::Display() const {
    std::string text;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (i > 0) {
            text += ' ';
        }
        if (argument.empty() || argument.find(' ') != std::string::npos) {
            text += '"' + argument + '"';
        } else {
            text += argument;
        }
    }
    return text;
}
