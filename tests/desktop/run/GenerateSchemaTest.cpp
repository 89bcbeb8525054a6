#include "run/GenerateSchema.h"

#include <gtest/gtest.h>

#include <cstring>

#include <cerrno>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <filesystem>

#include "DesktopProgram.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "controller/CController.h"
#include "frame/CMainFrame.h"
#include "frame/CSettings.h"
#include "frame/CommandTable.h"

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

using Answer = IPrompter::Answer;

// The main window over the shipped example, prompts answered by script.
class GenerateSchemaTest : public ::testing::Test {
protected:
    GenerateSchemaTest() {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tarnwright", "Datavane").clear();
        settings = std::make_unique<CSettings>();
        frame = CreateMainFrame(controller, prompter, *settings);
        EXPECT_TRUE(controller.Open(std::string(DV_EXAMPLES_DIR) + "/orders.dv"));
    }

    void Generate() { frame->Action(Command::kGenerateSchema)->trigger(); }

    TempDir dir;
    CController controller;
    ScriptedPrompter prompter;
    std::unique_ptr<CSettings> settings;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(GenerateSchemaTest, TheXmlMenuOffersIt) {
    bool found = false;
    for (QAction* menu : frame->menuBar()->actions()) {
        if (menu->text() == "&XML") {
            found = menu->menu()->actions().contains(frame->Action(Command::kGenerateSchema));
        }
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(frame->Action(Command::kGenerateSchema)->text(), "&Generate Schema...");
}

TEST_F(GenerateSchemaTest, WritesTheSchemaAndMayMakeItTheValidationUndoably) {
    const std::string path = dir.File("orders.xsd");
    prompter.fileNames = {QString::fromStdString(path)};
    prompter.answers = {Answer::kYes};
    Generate();
    ASSERT_EQ(prompter.fileDialogSuffixes.size(), 1u);
    EXPECT_EQ(prompter.fileDialogSuffixes[0], "xsd");
    EXPECT_NE(ReadFile(path).find("<xs:element name=\"orders\">"), std::string::npos);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].buttons, IPrompter::Buttons::kYesNo);
    EXPECT_TRUE(prompter.messages[0].text.contains(QString::fromStdString(path)));
    EXPECT_EQ(controller.Definition().Settings().validateschema, path);
    EXPECT_TRUE(controller.IsModified());
    ASSERT_TRUE(controller.Undo());
    EXPECT_EQ(controller.Definition().Settings().validateschema, "");

    // Answered no: the file is written again, the definition stays.
    prompter.fileNames = {QString::fromStdString(path)};
    Generate();
    EXPECT_EQ(controller.Definition().Settings().validateschema, "");
}

TEST_F(GenerateSchemaTest, CancelWritesNothingAndFailuresNameTheFile) {
    prompter.fileNames = {""};
    Generate();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    const std::string path = dir.File("missing/orders.xsd");
    prompter.fileNames = {QString::fromStdString(path)};
    Generate();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].icon, IPrompter::Icon::kError);
    EXPECT_EQ(prompter.messages[0].text.toStdString(),
              "Failed to create the target file: " + path + ": " + std::strerror(ENOENT));
    EXPECT_EQ(controller.Definition().Settings().validateschema, "");
}

}  // namespace
