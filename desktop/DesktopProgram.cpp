#include "DesktopProgram.h"

#include "frame/CDVTabView.h"
#include "frame/CMainFrame.h"
#include "frame/CommandTable.h"
#include "pages/CDataSelectionPage.h"
#include "pages/CSourcePage.h"
#include "pages/CXMLOutputPage.h"
#include "pages/CXMLSchemaPage.h"

void InitialiseDesktopResources() {
    // The icons live in this static library; the linker keeps them only
    // when something refers to them.
    Q_INIT_RESOURCE(desktop);
}

std::unique_ptr<CMainFrame> CreateMainFrame(CController& controller, IPrompter& prompter,
                                            CSettings& settings) {
    InitialiseDesktopResources();
    auto frame = std::make_unique<CMainFrame>(controller, prompter, settings);
    auto* source = new CSourcePage(controller, prompter, settings, frame.get());
    auto* selection = new CDataSelectionPage(controller, prompter, settings, frame.get());
    auto* target = new CXMLSchemaPage(controller, prompter, settings, frame.get());
    auto* output = new CXMLOutputPage(controller, prompter, settings, frame.get());
    frame->AddPage(source, QObject::tr("Source"));
    frame->AddPage(selection, QObject::tr("Selection"));
    frame->AddPage(target, QObject::tr("Target"));
    frame->AddPage(output, QObject::tr("Output"));

    // The tree commands of the menus and toolbars work from any tab: they
    // bring the Target tab forward first.
    CMainFrame* window = frame.get();
    using namespace Command;
    for (int id : {kAddElement, kAddAttribute, kMoveUp, kMoveDown, kMoveLeft, kMoveRight}) {
        frame->SetCommandHandler(id, [window, target, id] {
            window->Tabs()->setCurrentWidget(target);
            target->HandleCommand(id);
        });
    }
    frame->UpdateCommandStates();
    return frame;
}
