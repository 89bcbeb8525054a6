// dvsetup: hands the installed suite to the system's package maintenance for
// repair or removal. It opens the package in the desktop's software centre
// when there is one, and otherwise prints the commands that repair or remove
// it. It never waits for what it starts, never runs a package manager itself,
// ignores its arguments and always exits with 0.
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

extern char** environ;

namespace {

#ifndef DV_PACKAGE_NAME
#define DV_PACKAGE_NAME "datavane"
#endif

// Whether a program is on PATH.
bool OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    if (!path) {
        return false;
    }
    std::string folders(path);
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        if (::access((folder + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Starts a program and does not wait for it; its output goes nowhere.
bool Start(const char* program, const char* argument) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
    pid_t pid = 0;
    const bool started = posix_spawnp(&pid, program, &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return started;
}

}  // namespace

int main() {
    if (OnPath("gnome-software") && Start("gnome-software", "--details-pkg=" DV_PACKAGE_NAME)) {
        return 0;
    }
    if (OnPath("xdg-open") && Start("xdg-open", "apt:" DV_PACKAGE_NAME)) {
        return 0;
    }
    std::printf("Tarnwright Datavane is installed as the package \"" DV_PACKAGE_NAME
                "\".\n"
                "To repair it:  sudo apt-get install --reinstall " DV_PACKAGE_NAME
                "\n"
                "To remove it:  sudo apt-get remove " DV_PACKAGE_NAME "\n");
    return 0;
}
