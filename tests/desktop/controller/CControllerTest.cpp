#include "controller/CController.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "controller/CControllerObserver.h"
#include "controller/ChangeCode.h"

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

// Records the codes it receives.
class RecordingObserver : public CControllerObserver<RecordingObserver> {
public:
    using CControllerObserver::CControllerObserver;
    void OnUpdate(int32_t code) {
        codes.push_back(code);
        if (reenter) {
            reenter();
        }
    }
    std::vector<int32_t> codes;
    std::function<void()> reenter;
};

class ViewState : public CController::IViewStateProvider {
public:
    std::string SaveViewState() override { return std::to_string(current); }
    void RestoreViewState(const std::string& token) override { restored.push_back(token); }
    int current = 0;
    std::vector<std::string> restored;
};

// One edit through a setter, as a page makes it.
void Edit(CController& controller, int n) {
    controller.Definition().SetTargetFileName("out" + std::to_string(n) + ".xml");
    controller.Changed(ChangeCode::kNone);
}

}  // namespace

TEST(CControllerTest, UndoIsDisabledAfterNewAndOpen) {
    TempDir dir;
    CController controller;
    controller.New();
    EXPECT_FALSE(controller.CanUndo());
    EXPECT_FALSE(controller.CanRedo());
    ASSERT_TRUE(controller.SaveAs(dir.File("a.dv")));
    Edit(controller, 1);
    EXPECT_TRUE(controller.CanUndo());
    ASSERT_TRUE(controller.Open(dir.File("a.dv")));
    EXPECT_FALSE(controller.CanUndo());
    EXPECT_FALSE(controller.IsModified());
    EXPECT_FALSE(controller.IsUntitled());
}

TEST(CControllerTest, KeepsAHundredUndoSteps) {
    CController controller;
    controller.New();
    for (int i = 1; i <= 150; ++i) {
        Edit(controller, i);
    }
    EXPECT_EQ(controller.UndoDepth(), CController::kMaxSnapshots);
    int steps = 0;
    while (controller.Undo()) {
        ++steps;
    }
    EXPECT_EQ(steps, 100);
    // The oldest state left is the one after edit 50.
    EXPECT_EQ(controller.Definition().Settings().targetfilename, "out50.xml");
    EXPECT_EQ(controller.RedoDepth(), 100u);
}

TEST(CControllerTest, UndoRedoRestoreDefinitionAndModifiedFlag) {
    TempDir dir;
    CController controller;
    controller.New();
    ASSERT_TRUE(controller.SaveAs(dir.File("a.dv")));
    EXPECT_FALSE(controller.IsModified());
    Edit(controller, 1);
    Edit(controller, 2);
    EXPECT_TRUE(controller.IsModified());

    ASSERT_TRUE(controller.Undo());
    EXPECT_EQ(controller.Definition().Settings().targetfilename, "out1.xml");
    EXPECT_TRUE(controller.IsModified());
    ASSERT_TRUE(controller.Undo());
    EXPECT_EQ(controller.Definition().Settings().targetfilename, "");
    EXPECT_FALSE(controller.IsModified());  // the flag of the New snapshot
    EXPECT_FALSE(controller.Undo());

    ASSERT_TRUE(controller.Redo());
    EXPECT_EQ(controller.Definition().Settings().targetfilename, "out1.xml");
    EXPECT_TRUE(controller.IsModified());
    // An edit after an undo empties the redo stack.
    Edit(controller, 3);
    EXPECT_FALSE(controller.CanRedo());
    EXPECT_FALSE(controller.Redo());
}

TEST(CControllerTest, NotifiesObserversInOrderAndIgnoresChangesDuringUpdates) {
    CController controller;
    RecordingObserver first(controller);
    RecordingObserver second(controller);
    controller.New();
    EXPECT_EQ(first.codes, std::vector<int32_t>{ChangeCode::kAll});

    // A change raised inside an update is ignored, and the observer that is
    // updating does not hear about its own nested notification.
    first.reenter = [&] {
        controller.Definition().SetDelimiter(";");
        controller.Changed(ChangeCode::kSource);
    };
    controller.Definition().SetTargetFileName("x.xml");
    const size_t depth = controller.UndoDepth();
    controller.Changed(ChangeCode::kTree);
    EXPECT_EQ(first.codes.back(), ChangeCode::kTree);
    EXPECT_EQ(first.codes.size(), 2u);
    EXPECT_EQ(second.codes, (std::vector<int32_t>{ChangeCode::kAll, ChangeCode::kTree}));
    EXPECT_EQ(controller.UndoDepth(), depth + 1);

    // Code 0 takes a snapshot but tells nobody.
    first.reenter = nullptr;
    controller.Changed(ChangeCode::kNone);
    EXPECT_EQ(first.codes.size(), 2u);
    EXPECT_TRUE(controller.CanUndo());
}

TEST(CControllerTest, DeferredObserverReceivesTheCombinedCodesWhenShown) {
    CController controller;
    RecordingObserver page(controller);
    page.SetDeferred(true);
    controller.Changed(ChangeCode::kOutput);
    controller.Changed(ChangeCode::kTree);
    controller.Changed(ChangeCode::kSelection);
    EXPECT_TRUE(page.codes.empty());
    EXPECT_EQ(page.PendingMask(), ChangeCode::kSelection | ChangeCode::kTree | ChangeCode::kOutput);
    page.SetDeferred(false);
    EXPECT_EQ(page.codes, std::vector<int32_t>{ChangeCode::kSelection});
    EXPECT_EQ(page.PendingMask(), 0);
    page.SetDeferred(false);
    EXPECT_EQ(page.codes.size(), 1u);
}

TEST(CControllerTest, ObserversMayGoAwayWhileBeingNotified) {
    CController controller;
    auto late = std::make_unique<RecordingObserver>(controller);
    RecordingObserver first(controller);
    first.reenter = [&] { late.reset(); };
    // `late` was registered first, so it is notified before `first` removes it.
    controller.Changed(ChangeCode::kTree);
    EXPECT_EQ(late, nullptr);
    controller.Changed(ChangeCode::kTree);
    EXPECT_EQ(first.codes.size(), 2u);
}

TEST(CControllerTest, NamesUntitledDefinitionsInTurn) {
    CController controller;
    controller.New();
    EXPECT_EQ(controller.Path(), "Transform1.dv");
    EXPECT_TRUE(controller.IsUntitled());
    controller.New();
    EXPECT_EQ(controller.Path(), "Transform2.dv");
}

TEST(CControllerTest, AFailedOpenLeavesAnUntitledDefinitionThatCannotOverwriteTheFile) {
    TempDir dir;
    const std::string broken = dir.File("broken.dv");
    std::ofstream(broken) << "<tarnwrightdatavane><version>2.6</version><sourcetype>";
    const std::string before = ReadFile(broken);

    CController controller;
    controller.New();
    EXPECT_FALSE(controller.Open(broken));
    EXPECT_NE(controller.LastError().find("XML Parser Error"), std::string::npos);
    EXPECT_TRUE(controller.IsUntitled());
    EXPECT_NE(controller.Path(), broken);
    EXPECT_FALSE(controller.IsModified());
    EXPECT_TRUE(controller.Definition().Columns().empty());

    // Values that do not convert fail the load with their reason too.
    const std::string badValue = dir.File("bad-value.dv");
    std::ofstream(badValue) << "<tarnwrightdatavane><version>2.6</version>"
                               "<firstrow>abc</firstrow><xmlroot/></tarnwrightdatavane>";
    EXPECT_FALSE(controller.Open(badValue));
    EXPECT_FALSE(controller.LastError().empty());
    EXPECT_TRUE(controller.IsUntitled());

    EXPECT_FALSE(controller.Open(dir.File("missing.dv")));
    EXPECT_FALSE(controller.LastError().empty());
    EXPECT_EQ(ReadFile(broken), before);
}

TEST(CControllerTest, AFailedOpenKeepsWhatWasReadAsAModifiedUntitledDefinition) {
    TempDir dir;
    CController controller;
    controller.New();
    controller.Definition().SetTargetFileName("kept.xml");
    controller.Definition().AddColumn(CSCol("amount"));
    ASSERT_TRUE(controller.SaveAs(dir.File("good.dv")));
    // The last filter's operator does not read: the load fails after the
    // columns and settings were read.
    std::string text = ReadFile(dir.File("good.dv"));
    const size_t last = text.rfind("<operator>");
    ASSERT_NE(last, std::string::npos);
    text.replace(last + 10, 1, "x");
    const std::string partial = dir.File("partial.dv");
    std::ofstream(partial, std::ios::binary) << text;

    RecordingObserver observer(controller);
    EXPECT_FALSE(controller.Open(partial));
    EXPECT_FALSE(controller.LastError().empty());
    EXPECT_EQ(controller.Definition().Settings().targetfilename, "kept.xml");
    ASSERT_EQ(controller.Definition().Columns().size(), 1u);
    EXPECT_EQ(controller.Definition().Columns()[0].name, "amount");
    EXPECT_TRUE(controller.IsUntitled());
    EXPECT_NE(controller.Path(), partial);
    EXPECT_TRUE(controller.IsModified());  // closing asks before dropping it
    EXPECT_FALSE(controller.CanUndo());
    EXPECT_EQ(observer.codes, std::vector<int32_t>{ChangeCode::kAll});
    // Save goes to the untitled name, never to the failed file.
    EXPECT_TRUE(controller.SaveAs(dir.File("recovered.dv")));
    EXPECT_EQ(ReadFile(partial), text);
}

TEST(CControllerTest, SaveFailureKeepsPathAndModifiedFlag) {
    TempDir dir;
    CController controller;
    controller.New();
    ASSERT_TRUE(controller.SaveAs(dir.File("a.dv")));
    Edit(controller, 1);
    EXPECT_FALSE(controller.SaveAs(dir.File("no/such/folder/b.dv")));
    EXPECT_EQ(controller.Path(), dir.File("a.dv"));
    EXPECT_TRUE(controller.IsModified());
    EXPECT_FALSE(controller.LastError().empty());
    EXPECT_TRUE(controller.Save());
    EXPECT_FALSE(controller.IsModified());
}

TEST(CControllerTest, UndoAndRedoHandBackTheViewStateOfTheChange) {
    CController controller;
    ViewState view;
    controller.SetViewStateProvider(&view);
    controller.New();
    view.current = 2;
    Edit(controller, 1);
    view.current = 3;
    Edit(controller, 2);
    controller.Undo();
    controller.Redo();
    EXPECT_EQ(view.restored, (std::vector<std::string>{"3", "3"}));
    controller.Undo();
    controller.Undo();
    EXPECT_EQ(view.restored.back(), "2");
}
