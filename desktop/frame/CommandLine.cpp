#include "CommandLine.h"

#include <strings.h>

namespace {

bool Is(const std::string& text, const char* word) {
    return strcasecmp(text.c_str(), word) == 0;
}

}  // namespace

CommandLine CommandLine::Parse(const std::vector<std::string>& arguments) {
    CommandLine result;
    for (const std::string& argument : arguments) {
        if (!result.path.empty()) {
            result.path += ' ';
        }
        result.path += argument;
    }
    const std::string& line = result.path;
    if (Is(line, "/RegServer") || Is(line, "-RegServer")) {
        result = {Action::kRegister, {}};
    } else if (Is(line, "/UnregServer") || Is(line, "-UnregServer")) {
        result = {Action::kUnregister, {}};
    } else if (line == "--help" || line == "-h") {
        result = {Action::kHelp, {}};
    } else if (line == "--version") {
        result = {Action::kVersion, {}};
    }
    return result;
}

std::string CommandLine::Usage() {
    return "Usage: dv [DEFINITION.dv]\n"
           "       dv /RegServer | /UnregServer\n"
           "       dv --help | --version\n"
           "\n"
           "Edits, previews and runs Tarnwright Datavane transformation definitions.\n"
           "\n"
           "  DEFINITION.dv   the definition to open; every argument is joined by\n"
           "                  single spaces, so a path with spaces needs no quotes\n"
           "  /RegServer      registers the .dv file type with the desktop for this user\n"
           "  /UnregServer    removes that registration\n"
           "  --help          shows this text\n"
           "  --version       shows the version\n";
}
