#include "DesktopProgram.h"

#include "frame/CDVTabView.h"
#include "frame/CMainFrame.h"
#include "frame/CommandTable.h"
#include "pages/CDataSelectionPage.h"
#include "pages/CODBCSourcePageDlg.h"
#include "pages/CSourceColumnsListView.h"
#include "pages/CSourcePage.h"
#include "pages/CXMLNodePropDlg.h"
#include "pages/CXMLOutputPage.h"
#include "pages/CXMLSchemaPage.h"
#include "pages/CXMLSchemaView.h"
#include "pages/XMLTreeCommands.h"
#include "run/GenerateSchema.h"
#include "run/RunTransform.h"
#include "sheets/CSheetLauncher.h"

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

    // F8 runs the definition.
    frame->SetCommandHandler(kTransform, [window, &controller, &prompter] {
        RunTransform(window, controller, prompter);
    });

    frame->SetCommandHandler(kGenerateSchema, [window, &controller, &prompter] {
        GenerateSchema(window, controller, prompter);
    });

    // The sheets, from the menus and toolbars and from the pages.
    auto* sheets = new CSheetLauncher(controller, prompter, *window);
    frame->SetCommandHandler(kSort, [sheets] { sheets->OpenSort(); });
    frame->SetCommandHandler(kFilter, [sheets] { sheets->OpenFilters(); });
    frame->SetCommandHandler(kSourceOptions, [sheets] { sheets->OpenSourceOptions(); });
    frame->SetCommandHandler(kOutputOptions, [sheets] { sheets->OpenOutputOptions(); });
    auto nodeProperties = [window, target, sheets] {
        window->Tabs()->setCurrentWidget(target);
        const XMLNode* node = target->Tree()->SelectedNode();
        sheets->OpenNode(node ? XMLTreeCommands::PathOf(node) : std::string());
    };
    auto import = [sheets] { sheets->OpenImport(); };
    auto targetOptions = [sheets] { sheets->OpenTargetOptions(); };
    frame->SetCommandHandler(kNodeProperties, nodeProperties);
    frame->SetCommandHandler(kImport, import);
    frame->SetCommandHandler(kTargetOptions, targetOptions);
    target->SetCommandHandler(kNodeProperties, nodeProperties);
    target->SetCommandHandler(kImport, import);
    target->SetCommandHandler(kTargetOptions, targetOptions);
    target->NodePanel()->SetAutoTextHandler([sheets] { return sheets->ChooseAutoText(); });
    selection->SetColumnPropertiesHandler([sheets](int index) { sheets->OpenColumn(index); });
    frame->SetCommandHandler(kColumnProperties, [window, selection] {
        window->Tabs()->setCurrentWidget(selection);
        selection->ColumnList()->OpenCurrent();
    });
    source->OdbcForm()->SetAdvancedHandler([sheets] { sheets->OpenOdbcAdvanced(); });
    output->SetOutputOptionsHandler([sheets] { sheets->OpenOutputOptions(); });
    frame->UpdateCommandStates();
    return frame;
}
