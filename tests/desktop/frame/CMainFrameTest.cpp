#include "frame/CMainFrame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <set>

#include "DesktopProgram.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "controller/ChangeCode.h"
#include "frame/CDVTabView.h"
#include "frame/CSettings.h"
#include "frame/CommandTable.h"
#include "pages/CDataSelectionPage.h"
#include "pages/CFileNameField.h"
#include "pages/CSourceColumnsListView.h"
#include "pages/CXMLNodePropDlg.h"
#include "pages/CXMLOutputPage.h"
#include "pages/CXMLSchemaPage.h"
#include "pages/CXMLSchemaView.h"
#include "sheets/CSourceColumnPropSheet.h"

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

using Answer = IPrompter::Answer;

// A main window over a fresh controller, with scripted prompts and the
// settings of the test's private configuration folder (cleared first).
class MainFrameTest : public ::testing::Test {
protected:
    MainFrameTest() {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tarnwright", "Datavane").clear();
        settings = std::make_unique<CSettings>();
        frame = CreateMainFrame(controller, prompter, *settings);
        controller.New();
    }

    // A saved copy of a small definition.
    std::string SavedDefinition(const std::string& name) {
        DVFile definition;
        definition.SetTargetFileName("out.xml");
        const std::string path = dir.File(name);
        EXPECT_TRUE(definition.SaveProjectFile(path));
        return path;
    }

    void Edit() {
        controller.Definition().SetTargetFileName("edited.xml");
        controller.Changed(ChangeCode::kNone);
    }

    QString Title() const { return frame->windowTitle(); }

    TempDir dir;
    CController controller;
    ScriptedPrompter prompter;
    std::unique_ptr<CSettings> settings;
    std::unique_ptr<CMainFrame> frame;
};

QString ConfigFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/Tarnwright/Datavane.conf";
}

}  // namespace

TEST_F(MainFrameTest, TitleFollowsTheDocument) {
    EXPECT_EQ(Title(), "Transform1 - Tarnwright Datavane");
    ASSERT_TRUE(frame->OpenDocument(QString::fromStdString(SavedDefinition("orders.dv"))));
    EXPECT_EQ(Title(), "orders - Tarnwright Datavane");
    Edit();
    EXPECT_EQ(Title(), "orders -  [modified] - Tarnwright Datavane");
    frame->ExecuteCommand(Command::kSave);
    EXPECT_EQ(Title(), "orders - Tarnwright Datavane");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(MainFrameTest, SaveChangesPromptYesSavesNoDiscardsCancelKeepsEverything) {
    const std::string path = SavedDefinition("orders.dv");
    ASSERT_TRUE(frame->OpenDocument(QString::fromStdString(path)));

    // Cancel: nothing happens.
    Edit();
    prompter.answers = {Answer::kCancel};
    frame->ExecuteCommand(Command::kNew);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "You have made changes to orders. Do you want to save your changes?");
    EXPECT_EQ(prompter.messages[0].caption, "Tarnwright Datavane");
    EXPECT_EQ(prompter.messages[0].buttons, IPrompter::Buttons::kYesNoCancel);
    EXPECT_EQ(controller.Path(), path);
    EXPECT_TRUE(controller.IsModified());
    EXPECT_EQ(controller.Definition().Settings().targetfilename, "edited.xml");

    // No: discarded, the file keeps its old contents.
    prompter.answers = {Answer::kNo};
    frame->ExecuteCommand(Command::kNew);
    EXPECT_EQ(controller.Path(), "Transform2.dv");
    DVFile stored;
    ASSERT_TRUE(stored.LoadProjectFile(path));
    EXPECT_EQ(stored.Settings().targetfilename, "out.xml");

    // Yes on an untitled definition: Save As, then the command goes on.
    Edit();
    const std::string saved = dir.File("saved.dv");
    prompter.answers = {Answer::kYes};
    prompter.fileNames = {QString::fromStdString(saved)};
    frame->ExecuteCommand(Command::kNew);
    EXPECT_EQ(prompter.fileDialogFilters.back(), "Tarnwright Datavane Files (*.dv)");
    EXPECT_EQ(prompter.fileDialogSuffixes.back(), "dv");
    ASSERT_TRUE(stored.LoadProjectFile(saved));
    EXPECT_EQ(stored.Settings().targetfilename, "edited.xml");
    EXPECT_EQ(controller.Path(), "Transform3.dv");

    // Yes, then the Save As dialog cancelled: the command is abandoned.
    Edit();
    prompter.answers = {Answer::kYes};
    frame->ExecuteCommand(Command::kNew);
    EXPECT_EQ(controller.Path(), "Transform3.dv");
    EXPECT_TRUE(controller.IsModified());
}

TEST_F(MainFrameTest, ClosingAsksToo) {
    frame->show();
    Edit();
    prompter.answers = {Answer::kCancel};
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    prompter.answers = {Answer::kNo};
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(prompter.messages.size(), 2u);
}

TEST_F(MainFrameTest, OpenCommandUsesTheDialogAndTheRecentList) {
    const std::string a = SavedDefinition("a.dv");
    const std::string b = SavedDefinition("b.dv");
    prompter.fileNames = {QString::fromStdString(a)};
    frame->ExecuteCommand(Command::kOpen);
    prompter.fileNames = {QString::fromStdString(b)};
    frame->ExecuteCommand(Command::kOpen);
    EXPECT_EQ(controller.Path(), b);
    EXPECT_EQ(frame->RecentFiles().Paths(), (std::vector<std::string>{b, a}));
    ASSERT_EQ(frame->RecentMenu()->actions().size(), 2);
    EXPECT_EQ(frame->RecentMenu()->actions()[0]->text(),
              "&1 " + QString::fromStdString(CRecentFileList::Compact(b)));

    // Choosing an entry opens it and moves it to the top.
    frame->RecentMenu()->actions()[1]->trigger();
    EXPECT_EQ(controller.Path(), a);
    EXPECT_EQ(frame->RecentFiles().Paths(), (std::vector<std::string>{a, b}));
    // The dialog cancelled: nothing changes.
    frame->ExecuteCommand(Command::kOpen);
    EXPECT_EQ(controller.Path(), a);
}

TEST_F(MainFrameTest, AFailedOpenShowsWhyAndLeavesAnUntitledDefinition) {
    const std::string broken = dir.File("broken.dv");
    std::ofstream(broken) << "<tarnwrightdatavane><version>2.6";
    EXPECT_FALSE(frame->OpenDocument(QString::fromStdString(broken)));
    ASSERT_EQ(prompter.messages.size(), 1u);
    const ScriptedPrompter::Shown& shown = prompter.messages[0];
    EXPECT_TRUE(shown.text.contains(QString::fromStdString(broken))) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains("XML Parser Error"));
    EXPECT_EQ(shown.caption, "Tarnwright Datavane");
    EXPECT_EQ(shown.icon, IPrompter::Icon::kError);
    EXPECT_TRUE(frame->RecentFiles().Paths().empty());
    EXPECT_TRUE(controller.IsUntitled());
    // Save asks where to save instead of writing over the broken file.
    const std::string contents = ReadFile(broken);
    frame->ExecuteCommand(Command::kSave);
    EXPECT_EQ(prompter.fileDialogFilters.size(), 1u);
    EXPECT_EQ(ReadFile(broken), contents);
}

TEST_F(MainFrameTest, AFailedOpenKeepsWhatWasReadAndSaysSo) {
    DVFile definition;
    definition.SetTargetFileName("kept.xml");
    definition.AddColumn(CSCol("amount"));
    const std::string path = dir.File("partial.dv");
    ASSERT_TRUE(definition.SaveProjectFile(path));
    std::string text = ReadFile(path);
    text.replace(text.rfind("<operator>") + 10, 1, "x");  // the last filter fails
    std::ofstream(path, std::ios::binary) << text;
    EXPECT_FALSE(frame->OpenDocument(QString::fromStdString(path)));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(
        prompter.messages[0].text.contains("What could be read is shown as the untitled "
                                           "definition " +
                                           QString::fromStdString(controller.Path())))
        << prompter.messages[0].text.toStdString();
    EXPECT_EQ(controller.Definition().Settings().targetfilename, "kept.xml");
    EXPECT_EQ(controller.Definition().Columns().size(), 1u);
    EXPECT_TRUE(Title().startsWith(QString::fromStdString(controller.Path()).section('.', 0, 0)))
        << Title().toStdString();
    // Save asks where.
    frame->ExecuteCommand(Command::kSave);
    EXPECT_EQ(prompter.fileDialogFilters.size(), 1u);
    EXPECT_EQ(ReadFile(path), text);
}

TEST_F(MainFrameTest, ColumnPropertiesOpensTheSelectedColumnFromTheMenuAndTheContextMenu) {
    EXPECT_FALSE(frame->Action(Command::kColumnProperties)->isEnabled());
    for (const char* name : {"id", "name", "city"}) {
        controller.Definition().AddColumn(CSCol(name));
    }
    controller.Changed(ChangeCode::kSource);
    EXPECT_TRUE(frame->Action(Command::kColumnProperties)->isEnabled());
    frame->ExecuteCommand(Command::kViewSelection);
    auto* selection = static_cast<CDataSelectionPage*>(frame->Tabs()->widget(1));
    CSourceColumnsListView* list = selection->ColumnList();
    list->setCurrentItem(list->topLevelItem(1));
    // The sheet is modal: note which column it shows and close it.
    QStringList shown;
    auto closeSheet = [&shown] {
        auto* sheet = qobject_cast<CSourceColumnPropSheet*>(QApplication::activeModalWidget());
        ASSERT_NE(sheet, nullptr);
        shown << static_cast<CSourceColumnPropPage*>(sheet->Page(0))->NameEdit()->text();
        sheet->reject();
    };
    QTimer::singleShot(0, closeSheet);
    frame->ExecuteCommand(Command::kColumnProperties);
    EXPECT_EQ(frame->Tabs()->currentIndex(), 1);
    ASSERT_TRUE(list->PropertiesAction()->isEnabled());
    EXPECT_TRUE(list->actions().contains(list->PropertiesAction()));
    EXPECT_EQ(list->contextMenuPolicy(), Qt::ActionsContextMenu);
    list->setCurrentItem(list->topLevelItem(2));
    QTimer::singleShot(0, closeSheet);
    list->PropertiesAction()->trigger();
    EXPECT_EQ(shown, (QStringList{"name", "city"}));
}

TEST_F(MainFrameTest, F1WithoutTheGuideHintsInTheStatusBarOnly) {
    frame->Help().SetFolder(QString::fromStdString(dir.File("nowhere")));
    frame->ExecuteCommand(Command::kHelp);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(frame->statusBar()->currentMessage().contains(
        QString::fromStdString(dir.File("nowhere/source.html"))))
        << frame->statusBar()->currentMessage().toStdString();
}

TEST_F(MainFrameTest, ReadyReturnsAfterAStatusTip) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    EXPECT_EQ(frame->ReadyText()->text(), "Ready");
    EXPECT_TRUE(frame->ReadyText()->isVisible());
    QStatusTipEvent hover(frame->Action(Command::kSave)->statusTip());
    QApplication::sendEvent(frame.get(), &hover);
    EXPECT_EQ(frame->statusBar()->currentMessage(), "Save the transformation definition");
    EXPECT_FALSE(frame->ReadyText()->isVisible());
    QStatusTipEvent left{QString()};
    QApplication::sendEvent(frame.get(), &left);
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(frame->ReadyText()->isVisible());
}

TEST_F(MainFrameTest, KeysOfAFocusedFieldActOnTheFieldOnly) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->activateWindow();
    (void)QTest::qWaitForWindowActive(frame.get(), 2000);
    Edit();
    const size_t depth = controller.UndoDepth();
    frame->ExecuteCommand(Command::kViewOutput);
    auto* output = static_cast<CXMLOutputPage*>(frame->Tabs()->widget(3));
    QLineEdit* field = output->FileField()->Edit();
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());
    QTest::keyClicks(field, "abc");
    const QString typed = field->text();
    // Ctrl+Z is the field's undo, not the definition's; Ctrl+A selects, Insert
    // and Delete edit the text, never the tree.
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "edited.xml");
    EXPECT_EQ(controller.Definition().Settings().targetfilename, "edited.xml");
    QTest::keyClick(field, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(field->text(), typed);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field->selectedText(), typed);
    QTest::keyClick(field, Qt::Key_Insert);
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(field->text(), typed.mid(1));
    EXPECT_EQ(frame->Tabs()->currentIndex(), 3);
    EXPECT_EQ(controller.Definition().Root().ChildCount(), 0u);
    EXPECT_LE(controller.UndoDepth(), depth + 1);  // at most the typing, once
}

// Typing the panel has applied is a step of the history: Ctrl+Z in the
// field then takes that step back, and never adds one of its own.
TEST_F(MainFrameTest, UndoInAFieldWhoseTypingWasAppliedTakesTheStepBack) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->activateWindow();
    (void)QTest::qWaitForWindowActive(frame.get(), 2000);
    frame->ExecuteCommand(Command::kAddElement);
    auto* target = static_cast<CXMLSchemaPage*>(frame->Tabs()->widget(2));
    QLineEdit* name = target->NodePanel()->NameEdit();
    name->setFocus();
    ASSERT_TRUE(name->hasFocus());
    const size_t depth = controller.UndoDepth();
    QTest::keyClicks(name, "X");
    target->NodePanel()->CommitEdits();  // as the pause after typing does
    ASSERT_EQ(controller.Definition().Root().Children()[0]->GetName(), "element1X");
    ASSERT_EQ(controller.UndoDepth(), depth + 1);
    QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
    target->NodePanel()->CommitEdits();
    EXPECT_EQ(controller.Definition().Root().Children()[0]->GetName(), "element1");
    EXPECT_EQ(name->text(), "element1");
    EXPECT_EQ(controller.UndoDepth(), depth);
}

TEST_F(MainFrameTest, EditCommandsGoToTheFocusedWidgetAndDeleteToTheTreeOnlyWithFocus) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->activateWindow();
    (void)QTest::qWaitForWindowActive(frame.get(), 2000);
    frame->ExecuteCommand(Command::kAddElement);
    auto* target = static_cast<CXMLSchemaPage*>(frame->Tabs()->widget(2));
    ASSERT_EQ(controller.Definition().Root().ChildCount(), 1u);
    QLineEdit* name = target->NodePanel()->NameEdit();
    ASSERT_EQ(name->text(), "element1");
    name->setFocus();
    name->setSelection(0, 3);
    frame->ExecuteCommand(Command::kCopy);
    EXPECT_EQ(QApplication::clipboard()->text(), "ele");
    frame->ExecuteCommand(Command::kCut);
    EXPECT_EQ(name->text(), "ment1");
    name->setCursorPosition(5);
    frame->ExecuteCommand(Command::kPaste);
    EXPECT_EQ(name->text(), "ment1ele");
    name->setCursorPosition(0);
    frame->ExecuteCommand(Command::kDelete);  // a character, not the node
    EXPECT_EQ(name->text(), "ent1ele");
    EXPECT_EQ(controller.Definition().Root().ChildCount(), 1u);
    target->Tree()->setFocus();
    frame->ExecuteCommand(Command::kDelete);
    EXPECT_EQ(controller.Definition().Root().ChildCount(), 0u);
}

TEST_F(MainFrameTest, CommandStatesFollowTheDefinition) {
    EXPECT_FALSE(frame->Action(Command::kUndo)->isEnabled());
    EXPECT_FALSE(frame->Action(Command::kRedo)->isEnabled());
    EXPECT_FALSE(frame->Action(Command::kSort)->isEnabled());
    EXPECT_FALSE(frame->Action(Command::kFilter)->isEnabled());
    Edit();
    EXPECT_TRUE(frame->Action(Command::kUndo)->isEnabled());
    frame->ExecuteCommand(Command::kUndo);
    EXPECT_FALSE(frame->Action(Command::kUndo)->isEnabled());
    EXPECT_TRUE(frame->Action(Command::kRedo)->isEnabled());
    frame->SetCommandHandler(Command::kSort, [] {});
    frame->SetCommandHandler(Command::kFilter, [] {});
    EXPECT_FALSE(frame->Action(Command::kSort)->isEnabled());
    controller.Definition().AddColumn(CSCol("id"));
    controller.Changed(ChangeCode::kSource);
    EXPECT_TRUE(frame->Action(Command::kSort)->isEnabled());
    EXPECT_TRUE(frame->Action(Command::kFilter)->isEnabled());
}

TEST_F(MainFrameTest, CarriesEveryCommandWithItsShortcut) {
    const std::pair<int, const char*> shortcuts[] = {
        {Command::kNew, "Ctrl+N"},     {Command::kOpen, "Ctrl+O"},
        {Command::kSave, "Ctrl+S"},    {Command::kTransform, "F8"},
        {Command::kUndo, "Ctrl+Z"},    {Command::kRedo, "Ctrl+Y"},
        {Command::kAddElement, "Ins"}, {Command::kAddAttribute, "Ctrl+A"},
        {Command::kHelp, "F1"},
    };
    for (auto [id, keys] : shortcuts) {
        ASSERT_NE(frame->Action(id), nullptr) << id;
        EXPECT_EQ(frame->Action(id)->shortcut(), QKeySequence(keys)) << id;
    }
    for (const CommandInfo& info : Commands()) {
        EXPECT_NE(frame->Action(info.id), nullptr) << info.label;
    }
    const char* names[] = {"Standard", "Edit", "Source", "Target"};
    for (int i = 0; i < CMainFrame::kToolbarCount; ++i) {
        EXPECT_EQ(frame->Toolbar(static_cast<CMainFrame::ToolbarIndex>(i))->windowTitle(),
                  names[i]);
    }
    ASSERT_EQ(frame->Tabs()->count(), 4);
    EXPECT_EQ(frame->Tabs()->tabText(0), "Source");
    EXPECT_EQ(frame->Tabs()->tabText(3), "Output");
    frame->ExecuteCommand(Command::kViewTarget);
    EXPECT_EQ(frame->Tabs()->currentIndex(), 2);
}

TEST_F(MainFrameTest, SettingsAreWrittenOnCloseAndReadBack) {
    frame->show();
    frame->Action(Command::kStatusBar)->trigger();  // hidden
    frame->Action(Command::kToolbarSource)->trigger();
    frame->Action(Command::kLockToolbars)->trigger();
    frame->RecentFiles().SetMaxCount(5);
    frame->RecentFiles().Add("/x/one.dv");
    frame->RecentFiles().Add("/x/two.dv");
    ASSERT_TRUE(frame->close());
    ASSERT_TRUE(QFileInfo::exists(ConfigFile())) << ConfigFile().toStdString();

    QSettings raw(ConfigFile(), QSettings::NativeFormat);
    EXPECT_EQ(raw.value("Flags").toInt(), 0);
    EXPECT_EQ(raw.value("Recent Document List/DocumentCount").toInt(), 5);
    EXPECT_EQ(raw.value("Recent Document List/Document1").toString(), "/x/two.dv");
    EXPECT_EQ(raw.value("Recent Document List/Document2").toString(), "/x/one.dv");
    EXPECT_FALSE(raw.contains("Recent Document List/Document3"));
    EXPECT_TRUE(raw.value("ToolBars/ToolbarBandsLocked").toBool());
    EXPECT_EQ(raw.value("ToolBars/ToolbarBandCount").toInt(), 4);
    EXPECT_FALSE(raw.value("MainFrameWindowPlacement").toByteArray().isEmpty());

    CController second;
    CSettings reread;
    auto again = CreateMainFrame(second, prompter, reread);
    again->show();
    EXPECT_FALSE(again->statusBar()->isVisible());
    EXPECT_FALSE(again->Action(Command::kStatusBar)->isChecked());
    EXPECT_FALSE(again->Toolbar(CMainFrame::kSourceBar)->isVisible());
    EXPECT_TRUE(again->Toolbar(CMainFrame::kTargetBar)->isVisible());
    EXPECT_TRUE(again->Action(Command::kLockToolbars)->isChecked());
    EXPECT_FALSE(again->Toolbar(CMainFrame::kEditBar)->isMovable());
    EXPECT_EQ(again->RecentFiles().MaxCount(), 5);
    EXPECT_EQ(again->RecentFiles().Paths(), (std::vector<std::string>{"/x/two.dv", "/x/one.dv"}));
}

TEST_F(MainFrameTest, StoredRecentCountsAreClamped) {
    for (auto [stored, kept] : {std::pair{1, 2}, {40, 16}, {7, 7}}) {
        {
            QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "Tarnwright", "Datavane");
            raw.setValue("Recent Document List/DocumentCount", stored);
            for (int i = 1; i <= 20; ++i) {
                raw.setValue(QString("Recent Document List/Document%1").arg(i),
                             QString("/r/%1.dv").arg(i));
            }
        }
        CController other;
        CSettings reread;
        auto again = CreateMainFrame(other, prompter, reread);
        EXPECT_EQ(again->RecentFiles().MaxCount(), kept);
        EXPECT_EQ(again->RecentFiles().Paths().size(), static_cast<size_t>(kept));
        EXPECT_EQ(again->RecentFiles().Paths().front(), "/r/1.dv");
    }
}

TEST_F(MainFrameTest, AnUnreadableSettingsFileLeavesTheDefaults) {
    {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "Tarnwright", "Datavane");
        raw.setValue("Flags", 0);
    }
    std::ofstream(ConfigFile().toStdString(), std::ios::app) << "\n[broken\n\x01\x02=\n";
    CController other;
    CSettings reread;
    auto again = CreateMainFrame(other, prompter, reread);
    again->show();
    if (!reread.IsReadable()) {
        EXPECT_TRUE(again->statusBar()->isVisible());
    }
    EXPECT_TRUE(again->Toolbar(CMainFrame::kStandardBar)->isVisible());
}

TEST_F(MainFrameTest, HelpOpensTheActivePagesTopicOrSaysTheGuideIsMissing) {
    std::filesystem::create_directories(dir.Path() / "help");
    for (const char* page : {"index.html", "target.html"}) {
        std::ofstream(dir.Path() / "help" / page) << "<html></html>";
    }
    frame->Help().SetFolder(QString::fromStdString(dir.File("help")));
    frame->ExecuteCommand(Command::kViewTarget);
    frame->ExecuteCommand(Command::kHelp);
    ASSERT_EQ(prompter.openedUrls.size(), 1u);
    EXPECT_EQ(prompter.openedUrls[0].toLocalFile().toStdString(), dir.File("help/target.html"));
    frame->ExecuteCommand(Command::kHelpContents);
    EXPECT_TRUE(prompter.openedUrls.back().toLocalFile().endsWith("help/index.html"));

    frame->Help().SetFolder(QString::fromStdString(dir.File("nowhere")));
    frame->ExecuteCommand(Command::kHelpContents);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              QString::fromStdString("Cannot open the Tarnwright Datavane help file: " +
                                     dir.File("nowhere/index.html") + "."));
    EXPECT_EQ(prompter.messages[0].icon, IPrompter::Icon::kError);
}

TEST_F(MainFrameTest, AboutShowsProductAndVersion) {
    frame->ExecuteCommand(Command::kAbout);
    ASSERT_EQ(prompter.abouts.size(), 1);
    EXPECT_TRUE(prompter.abouts[0].contains("Tarnwright Datavane"));
    EXPECT_TRUE(prompter.abouts[0].contains("Version 2.6.0"));
}

TEST_F(MainFrameTest, UndoGoesBackToTheTabOfTheChange) {
    frame->ExecuteCommand(Command::kViewOutput);
    Edit();
    frame->ExecuteCommand(Command::kViewSource);
    frame->ExecuteCommand(Command::kUndo);
    frame->ExecuteCommand(Command::kRedo);
    EXPECT_EQ(frame->Tabs()->currentIndex(), 3);
}

// Stored settings and help refer to commands by identifier: one each.
TEST(CommandTableTest, EveryCommandHasItsOwnIdentifier) {
    std::set<int> seen;
    for (const CommandInfo& info : Commands()) {
        EXPECT_TRUE(seen.insert(info.id).second) << info.label << " " << info.id;
    }
}
