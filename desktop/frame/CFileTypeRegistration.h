#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Makes the desktop know the .dv file type the freedesktop way, in the user's
// data folder: a shared-mime-info type, a desktop entry that opens the type
// with the program, and the icons. Unregister removes exactly these files and
// the caches that were only there because of them.
class CFileTypeRegistration {
public:
    static constexpr const char* kMimeType = "application/x-datavane-definition";
    static constexpr const char* kComment = "Tarnwright Transformation Definition";

    // dataHome: usually DataHome(); programPath: the absolute path of dv.
    CFileTypeRegistration(std::filesystem::path dataHome, std::string programPath);

    // $XDG_DATA_HOME, or ~/.local/share.
    static std::filesystem::path DataHome();

    // Writes the files (iconSvg: the SVG text of the icon) and refreshes the
    // desktop's databases when their tools are installed. False when a file
    // cannot be written; the registration then stops where it failed.
    bool Register(const std::string& iconSvg);
    bool Unregister();

    // The files Register writes.
    std::vector<std::filesystem::path> Files() const;
    std::string DesktopEntry() const;
    static std::string MimePackage();

private:
    std::filesystem::path MimeDir() const { return dataHome_ / "mime"; }
    std::filesystem::path ApplicationsDir() const { return dataHome_ / "applications"; }
    std::filesystem::path MimePackagePath() const;
    std::filesystem::path DesktopEntryPath() const;
    std::filesystem::path AppIconPath() const;
    std::filesystem::path TypeIconPath() const;
    void UpdateDatabases() const;

    std::filesystem::path dataHome_;
    std::string programPath_;
};
