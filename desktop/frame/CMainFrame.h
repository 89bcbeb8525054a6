#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>

#include "CHelp.h"
#include "CRecentFileList.h"
#include "controller/CController.h"
#include "controller/CControllerObserver.h"

class CDVTabView;
class CSettings;
class IDVPage;
class IPrompter;
class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QToolBar;

// The main window: menus and four toolbars carrying every command, the tab
// view with the pages, the status bar, the document commands with the
// save-changes prompt, recent files and the window settings.
class CMainFrame : public QMainWindow,
                   public CControllerObserver<CMainFrame>,
                   public CController::IViewStateProvider,
                   public CController::IHost {
    Q_OBJECT

public:
    enum ToolbarIndex { kStandardBar, kEditBar, kSourceBar, kTargetBar, kToolbarCount };

    CMainFrame(CController& controller, IPrompter& prompter, CSettings& settings,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Pages are added by whoever assembles the program (see DesktopProgram).
    void AddPage(IDVPage* page, const QString& title);
    CDVTabView* Tabs() const noexcept { return tabs_; }
    // A command that a page or sheet carries out; enabled while it has one.
    void SetCommandHandler(int id, std::function<void()> handler);

    // What a menu item, toolbar button or shortcut does.
    bool ExecuteCommand(int id);
    QAction* Action(int id) const;
    QToolBar* Toolbar(ToolbarIndex index) const { return toolbars_[index]; }
    QMenu* RecentMenu() const noexcept { return recentMenu_; }
    CRecentFileList& RecentFiles() noexcept { return recent_; }
    CHelp& Help() noexcept { return help_; }
    // The status bar's idle text.
    QLabel* ReadyText() const noexcept { return ready_; }

    // The save-changes prompt; true when the pending command may go on.
    bool PromptSaveChanges();
    // Opens a definition the user chose, with the error box on failure.
    bool OpenDocument(const QString& path);
    bool SaveDocument();
    bool SaveDocumentAs();
    void RefreshTitle();
    void UpdateCommandStates();
    // Writes window, toolbar, status bar and recent-file settings.
    void SaveSettings();

    // Change notifications.
    void OnUpdate(int32_t code);

    // CController::IViewStateProvider
    std::string SaveViewState() override;
    void RestoreViewState(const std::string& token) override;
    // CController::IHost
    void BeginWait() override;
    void EndWait() override;
    std::function<void()> SaveFocus() override;
    void DocumentStateChanged() override;

    // Whether a key press belongs to the focused text field rather than to a
    // command's shortcut (Insert, Delete, Ctrl+Z/Y/A/C/X/V in an editable
    // field).
    static bool IsFieldKey(const QWidget* focus, const QKeyEvent& key);
    // Whether the focused field has its own undo (or redo) to do.
    static bool FieldCanUndo(const QWidget* focus, bool undo);
    // Ctrl+Z or Ctrl+Y in a text field.
    static bool IsUndoKey(const QWidget* focus, const QKeyEvent& key);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QAction* MakeAction(int id);
    void BuildMenus();
    void BuildToolbars();
    void RestoreSettings();
    void RebuildRecentMenu();
    void OpenRecent(const QString& path);
    void SendEditCommand(int id);
    void ShowAbout();
    void DelayedInitialise();

    CController& controller_;
    IPrompter& prompter_;
    CSettings& settings_;
    CHelp help_;
    CRecentFileList recent_;
    CDVTabView* tabs_;
    std::map<int, QAction*> actions_;
    std::map<int, std::function<void()>> handlers_;
    QToolBar* toolbars_[kToolbarCount] = {};
    QMenu* recentMenu_ = nullptr;
    QLabel* ready_ = nullptr;
    bool initialised_ = false;
};
