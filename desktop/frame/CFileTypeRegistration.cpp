#include "CFileTypeRegistration.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr const char* kIconName = "datavane";
constexpr const char* kTypeIconName = "application-x-datavane-definition";
constexpr const char* kDesktopFile = "datavane-dv.desktop";
constexpr const char* kPackageFile = "datavane-definition.xml";

bool WriteFile(const fs::path& path, const std::string& text) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// Runs a tool found on PATH with its output discarded; quietly nothing when
// it is not installed.
void RunTool(const char* tool, const fs::path& argument) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string arg = argument.string();
    char* argv[] = {const_cast<char*>(tool), arg.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, tool, &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

// Removes folders from dir up to (not including) stop while they are empty.
void RemoveEmptyFolders(fs::path dir, const fs::path& stop) {
    std::error_code error;
    while (dir != stop && dir.has_relative_path() && fs::is_directory(dir, error) &&
           fs::is_empty(dir, error)) {
        fs::remove(dir, error);
        dir = dir.parent_path();
    }
}

// A desktop entry's Exec program: quoted when it holds characters the
// format reserves, with the escapes the format asks for.
std::string ExecProgram(const std::string& path) {
    if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`=%") == std::string::npos) {
        return path;
    }
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    // The entry's string values escape backslashes once more.
    std::string result;
    for (char c : quoted) {
        if (c == '\\') {
            result += '\\';
        }
        result += c;
    }
    return result;
}

}  // namespace

CFileTypeRegistration::CFileTypeRegistration(fs::path dataHome, std::string programPath)
    : dataHome_(std::move(dataHome)), programPath_(std::move(programPath)) {}

fs::path CFileTypeRegistration::DataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local" / "share";
}

fs::path CFileTypeRegistration::MimePackagePath() const {
    return MimeDir() / "packages" / kPackageFile;
}

fs::path CFileTypeRegistration::DesktopEntryPath() const {
    return ApplicationsDir() / kDesktopFile;
}

fs::path CFileTypeRegistration::AppIconPath() const {
    return dataHome_ / "icons" / "hicolor" / "scalable" / "apps" / (std::string(kIconName) + ".svg");
}

fs::path CFileTypeRegistration::TypeIconPath() const {
    return dataHome_ / "icons" / "hicolor" / "scalable" / "mimetypes" /
           (std::string(kTypeIconName) + ".svg");
}

std::vector<fs::path> CFileTypeRegistration::Files() const {
    return {MimePackagePath(), DesktopEntryPath(), AppIconPath(), TypeIconPath()};
}

std::string CFileTypeRegistration::MimePackage() {
    return std::string(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"") +
           kMimeType + "\">\n    <comment>" + kComment +
           "</comment>\n"
           "    <sub-class-of type=\"application/xml\"/>\n"
           "    <icon name=\"" +
           kTypeIconName +
           "\"/>\n"
           "    <glob pattern=\"*.dv\"/>\n"
           "    <root-XML localName=\"tarnwrightdatavane\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string CFileTypeRegistration::DesktopEntry() const {
    return std::string(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Tarnwright Datavane\n"
               "GenericName=XML Transformation Editor\n"
               "Comment=Build, preview and run transformations of tabular data into XML\n"
               "Exec=") +
           ExecProgram(programPath_) + " %f\nIcon=" + kIconName +
           "\nTerminal=false\n"
           "Categories=Office;Development;\n"
           "MimeType=" +
           kMimeType + ";\n";
}

void CFileTypeRegistration::UpdateDatabases() const {
    std::error_code error;
    if (fs::is_directory(MimeDir() / "packages", error)) {
        RunTool("update-mime-database", MimeDir());
    }
    if (fs::is_directory(ApplicationsDir(), error)) {
        RunTool("update-desktop-database", ApplicationsDir());
    }
}

bool CFileTypeRegistration::Register(const std::string& iconSvg) {
    if (!WriteFile(MimePackagePath(), MimePackage()) ||
        !WriteFile(DesktopEntryPath(), DesktopEntry()) || !WriteFile(AppIconPath(), iconSvg) ||
        !WriteFile(TypeIconPath(), iconSvg)) {
        return false;
    }
    UpdateDatabases();
    return true;
}

bool CFileTypeRegistration::Unregister() {
    std::error_code error;
    bool ok = true;
    for (const fs::path& file : Files()) {
        if (fs::is_regular_file(file, error)) {
            ok = fs::remove(file, error) && ok;
        }
    }
    // Everything in the mime folder but packages/ is generated from packages/:
    // with no package left, the generated database goes too.
    const fs::path packages = MimeDir() / "packages";
    if (!fs::exists(packages, error) || fs::is_empty(packages, error)) {
        fs::remove_all(MimeDir(), error);
    } else {
        RunTool("update-mime-database", MimeDir());
    }
    // The applications folder's cache likewise, when no entry is left.
    bool entriesLeft = false;
    if (fs::is_directory(ApplicationsDir(), error)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(ApplicationsDir(), error)) {
            entriesLeft = entriesLeft || entry.path().filename() != "mimeinfo.cache";
        }
        if (entriesLeft) {
            RunTool("update-desktop-database", ApplicationsDir());
        } else {
            fs::remove(ApplicationsDir() / "mimeinfo.cache", error);
        }
    }
    RemoveEmptyFolders(ApplicationsDir(), dataHome_);
    RemoveEmptyFolders(AppIconPath().parent_path(), dataHome_);
    RemoveEmptyFolders(TypeIconPath().parent_path(), dataHome_);
    return ok;
}
