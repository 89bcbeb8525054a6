// dvsetup: hands the installed suite to the system's package maintenance for
// repair or removal. It opens the package in the desktop's software centre
// when there is one (gnome-software, or whatever handles apt: links), and
// otherwise prints the commands that repair or remove it. It never waits for the software centre,
// never runs a package manager itself, ignores its arguments and always exits with 0.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

// Whether the desktop names an application for apt: links. xdg-open starts a
// browser or fails for a scheme nobody handles, so it is asked first.
bool HasAptHandler() {
    if (!OnPath("xdg-mime")) {
        return false;
    }
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("xdg-mime"), const_cast<char*>("query"),
                    const_cast<char*>("default"), const_cast<char*>("x-scheme-handler/apt"),
                    nullptr};
    pid_t pid = 0;
    const bool started = posix_spawnp(&pid, "xdg-mime", &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string answer;
    if (started) {
        char buffer[256];
        ssize_t got = 0;
        while ((got = ::read(out[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
            if (got > 0 && answer.size() < 4096) {
                answer.append(buffer, static_cast<size_t>(got));
            }
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            answer.clear();
        }
    }
    ::close(out[0]);
    return answer.find_first_not_of(" \t\r\n") != std::string::npos;
}

}  // namespace

int main() {
    if (OnPath("gnome-software") && Start("gnome-software", "--details-pkg=" DV_PACKAGE_NAME)) {
        return 0;
    }
    if (OnPath("xdg-open") && HasAptHandler() && Start("xdg-open", "apt:" DV_PACKAGE_NAME)) {
        return 0;
    }
    std::printf("Tarnwright Datavane is installed as the package \"" DV_PACKAGE_NAME
                "\".\n"
                "To repair it:  sudo apt-get install --reinstall " DV_PACKAGE_NAME
                "\n"
                "To remove it:  sudo apt-get remove " DV_PACKAGE_NAME "\n");
    return 0;
}
