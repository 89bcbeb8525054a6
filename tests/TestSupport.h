#pragma once

#include <libxml/xmlreader.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Whether a file is well-formed XML (read as a stream, so size does not
// matter; nothing outside the file is loaded); reason says why not.
inline bool IsWellFormedFile(const std::string& path, std::string& reason) {
    xmlTextReaderPtr reader = xmlReaderForFile(path.c_str(), nullptr, XML_PARSE_NONET);
    if (reader == nullptr) {
        reason = "cannot be opened";
        return false;
    }
    int status;
    while ((status = xmlTextReaderRead(reader)) == 1) {
    }
    xmlFreeTextReader(reader);
    if (status != 0) {
        const xmlError* error = xmlGetLastError();
        reason = error && error->message ? error->message : "not well-formed";
    }
    return status == 0;
}

// A fresh directory under the system temporary folder, removed at the end.
// Every .xml file left in it must be well-formed: tests that write malformed
// XML on purpose give it another extension.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "dvtest.XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            std::string reason;
            if (it->is_regular_file(ignored) && it->path().extension() == ".xml" &&
                !IsWellFormedFile(it->path().string(), reason)) {
                ADD_FAILURE() << "ill-formed XML left by the test: " << it->path() << ": "
                              << reason;
            }
        }
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A delimited file with a header (Id,Name,Note) and the given number of rows;
// row i holds "name i" in Name.
inline std::string GeneratedCsv(int rows) {
    std::string csv = "Id,Name,Note\n";
    for (int i = 0; i < rows; ++i) {
        csv += std::to_string(i) + ",name " + std::to_string(i) + ",some text to fill the disk\n";
    }
    return csv;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// How RunProgram runs a program: extra environment variables, what to do in
// the child before the program starts (limits, signals), and where its
// standard output goes (captured here, or the test's own when null).
struct RunOptions {
    std::vector<std::pair<std::string, std::string>> environment;
    std::function<void()> beforeStart;
    std::string* output = nullptr;
};

// Reads two descriptors to their ends, whichever has data first (a program
// blocked on one full pipe would never end).
inline void DrainBoth(int first, std::string& firstText, int second, std::string& secondText) {
    pollfd fds[2] = {{first, POLLIN, 0}, {second, POLLIN, 0}};
    std::string* texts[2] = {&firstText, &secondText};
    int open = 2;
    char buffer[4096];
    while (open > 0 && ::poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                texts[i]->append(buffer, static_cast<size_t>(got));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

// Runs a program in a folder and returns its exit status (-1 when it did
// not exit); errors receives its stderr.
inline int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& folder, std::string* errors = nullptr,
                      const RunOptions& options = {}) {
    int errorPipe[2];
    int outputPipe[2];
    if (::pipe(errorPipe) != 0 || ::pipe(outputPipe) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(errorPipe[1], STDERR_FILENO);
        if (options.output) {
            ::dup2(outputPipe[1], STDOUT_FILENO);
        }
        ::close(errorPipe[0]);
        ::close(outputPipe[0]);
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
            ::_exit(99);
        }
        for (const auto& [name, value] : options.environment) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        if (options.beforeStart) {
            options.beforeStart();
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(98);
    }
    ::close(errorPipe[1]);
    ::close(outputPipe[1]);
    std::string output;
    std::string text;
    DrainBoth(outputPipe[0], output, errorPipe[0], text);
    ::close(errorPipe[0]);
    ::close(outputPipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (errors) {
        *errors = text;
    }
    if (options.output) {
        *options.output = output;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string DataFile(const std::string& name) {
    return std::string(DV_TEST_DATA_DIR) + "/" + name;
}

}  // namespace testsupport
