#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "CPropertySheet.h"

class CMainFrame;

// Opens the property sheets and dialogs from the menus, toolbars and pages,
// modal over the main window.
class CSheetLauncher : public QObject {
    Q_OBJECT

public:
    CSheetLauncher(CController& controller, IPrompter& prompter, CMainFrame& frame);

    void OpenColumn(int columnIndex);
    void OpenFilters();
    void OpenSort();
    void OpenSourceOptions();
    void OpenOdbcAdvanced();
    void OpenNode(const std::string& nodePath);
    void OpenOutputOptions();
    void OpenTargetOptions();
    void OpenImport();
    QString ChooseAutoText();

    SheetContext& Context() noexcept { return context_; }

private:
    CMainFrame& frame_;
    SheetContext context_;
};
