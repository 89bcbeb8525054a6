#include "frame/CRecentFileList.h"

#include <gtest/gtest.h>

#include "frame/CommandLine.h"
#include "frame/DocumentNames.h"

TEST(CRecentFileListTest, MostRecentFirstWithoutDuplicates) {
    CRecentFileList list(3);
    list.Add("/a.dv");
    list.Add("/b.dv");
    list.Add("/c.dv");
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/c.dv", "/b.dv", "/a.dv"}));
    list.Add("/a.dv");  // moves to the top
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/a.dv", "/c.dv", "/b.dv"}));
    list.Add("/d.dv");  // the oldest falls off
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/d.dv", "/a.dv", "/c.dv"}));
    list.Assign({"/x.dv", "", "/x.dv", "/y.dv"});
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/x.dv", "/y.dv"}));
}

TEST(CRecentFileListTest, CountIsClampedToTwoThroughSixteen) {
    for (auto [stored, kept] : {std::pair{-5, 2}, {0, 2}, {1, 2}, {2, 2}, {9, 9}, {16, 16},
                                {17, 16}, {1000, 16}}) {
        EXPECT_EQ(CRecentFileList(stored).MaxCount(), kept) << stored;
    }
}

TEST(CRecentFileListTest, CompactsLongPathsForTheMenu) {
    const struct {
        const char* path;
        const char* shown;
    } cases[] = {
        {"/data/orders.dv", "/data/orders.dv"},
        {"/home/ann/projects/2026/customers/orders.dv", "/home/ann/projects/2026/.../orders.dv"},
        {"/home/ann/projects/2026/customers/a-much-longer-file-name.dv",
         "/home/.../a-much-longer-file-name.dv"},
        {"/x/an-extremely-long-definition-name-that-never-fits.dv",
         "an-extremely-long-definition-name-t..."},
        {"/home/änne/überweisungen/kontoauszüge/juli.dv", "/home/änne/überweisungen/.../juli.dv"},
    };
    for (const auto& c : cases) {
        const std::string shown = CRecentFileList::Compact(c.path);
        EXPECT_EQ(shown, c.shown) << c.path;
    }
}

TEST(DocumentNamesTest, TitleAndPrompt) {
    EXPECT_EQ(DocumentNames::WindowTitle("Transform1.dv", false), "Transform1 - Tarnwright Datavane");
    EXPECT_EQ(DocumentNames::WindowTitle("/data/orders.dv", true),
              "orders -  [modified] - Tarnwright Datavane");
    EXPECT_EQ(DocumentNames::WindowTitle("", false), "Tarnwright Datavane");
    EXPECT_EQ(DocumentNames::WindowTitle("/data/v1.2/orders", false),
              "orders - Tarnwright Datavane");
    EXPECT_EQ(DocumentNames::SaveChangesQuestion("/data/orders.dv"),
              "You have made changes to orders. Do you want to save your changes?");
}

TEST(CommandLineTest, JoinsArgumentsAndRecognisesSwitches) {
    using Action = CommandLine::Action;
    const struct {
        std::vector<std::string> arguments;
        Action action;
        const char* path;
    } cases[] = {
        {{}, Action::kOpen, ""},
        {{"/data/my", "orders.dv"}, Action::kOpen, "/data/my orders.dv"},
        {{"/RegServer"}, Action::kRegister, ""},
        {{"-regserver"}, Action::kRegister, ""},
        {{"/UNREGSERVER"}, Action::kUnregister, ""},
        {{"-UnregServer"}, Action::kUnregister, ""},
        {{"/RegServer", "x"}, Action::kOpen, "/RegServer x"},
        {{"--help"}, Action::kHelp, ""},
        {{"--version"}, Action::kVersion, ""},
    };
    for (const auto& c : cases) {
        const CommandLine line = CommandLine::Parse(c.arguments);
        EXPECT_EQ(line.action, c.action) << c.path;
        EXPECT_EQ(line.path, c.path);
    }
}
