#include "frame/CFileTypeRegistration.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"

namespace fs = std::filesystem;

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

std::vector<std::string> Listing(const fs::path& dir) {
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        entries.push_back(fs::relative(entry.path(), dir).string());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

int RunDv(const fs::path& dataHome, const std::string& argument) {
    const std::string command = "XDG_DATA_HOME='" + dataHome.string() + "' '" DV_PROGRAM "' " +
                                argument + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(CFileTypeRegistrationTest, RegServerThenUnregServerLeavesNothingBehind) {
    TempDir dir;
    const fs::path home = dir.Path() / "data";
    fs::create_directories(home);
    // Something of the user's own that must survive.
    fs::create_directories(home / "applications");
    {
        std::ofstream(home / "applications" / "other.desktop") << "[Desktop Entry]\nType=Application\n";
    }
    const std::vector<std::string> before = Listing(home);

    ASSERT_EQ(RunDv(home, "/RegServer"), 0);
    CFileTypeRegistration registration(home, DV_PROGRAM);
    for (const fs::path& file : registration.Files()) {
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
    }
    const std::string package = ReadFile((home / "mime/packages/datavane-definition.xml").string());
    EXPECT_NE(package.find("type=\"application/x-datavane-definition\""), std::string::npos);
    EXPECT_NE(package.find("<comment>Tarnwright Transformation Definition</comment>"),
              std::string::npos);
    EXPECT_NE(package.find("<glob pattern=\"*.dv\"/>"), std::string::npos);
    const std::string entry = ReadFile((home / "applications/datavane-dv.desktop").string());
    EXPECT_NE(entry.find(std::string("Exec=") + DV_PROGRAM + " %f\n"), std::string::npos);
    EXPECT_NE(entry.find("MimeType=application/x-datavane-definition;"), std::string::npos);
    if (std::system("command -v update-mime-database >/dev/null 2>&1") == 0) {
        // The desktop's database now knows the type.
        EXPECT_NE(ReadFile((home / "mime/globs2").string()).find("*.dv"), std::string::npos);
    }

    ASSERT_EQ(RunDv(home, "-unregserver"), 0);
    EXPECT_EQ(Listing(home), before);
}

TEST(CFileTypeRegistrationTest, QuotesProgramPathsWithSpaces) {
    CFileTypeRegistration registration("/tmp/unused", "/opt/My Tools/dv");
    EXPECT_NE(registration.DesktopEntry().find("Exec=\"/opt/My Tools/dv\" %f\n"), std::string::npos);
    CFileTypeRegistration dollar("/tmp/unused", "/opt/a$b/dv");
    EXPECT_NE(dollar.DesktopEntry().find("Exec=\"/opt/a\\\\$b/dv\" %f\n"), std::string::npos);
}

TEST(CFileTypeRegistrationTest, AnUnwritableDataFolderFailsWithoutACrash) {
    TempDir dir;
    // A plain file where the data folder should be: no one can write below it.
    std::ofstream(dir.File("data")) << "not a folder";
    CFileTypeRegistration registration(dir.Path() / "data", DV_PROGRAM);
    EXPECT_FALSE(registration.Register("<svg/>"));
    EXPECT_TRUE(registration.Unregister());
    EXPECT_EQ(ReadFile(dir.File("data")), "not a folder");
}
