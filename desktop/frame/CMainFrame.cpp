#include "CMainFrame.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include "AccessibleNames.h"
#include "CDVTabView.h"
#include "CSettings.h"
#include "CommandTable.h"
#include "DocumentNames.h"
#include "HelpTopics.h"
#include "IDVPage.h"
#include "IPrompter.h"
#include "controller/ChangeCode.h"
#include "frame/QtText.h"

#ifndef DV_VERSION
#define DV_VERSION "0.0.0"
#endif

namespace {

const QString kDefinitionFilter = QStringLiteral("Tarnwright Datavane Files (*.dv)");
const QString kDefinitionSuffix = QStringLiteral("dv");
const char* const kToolbarNames[] = {"Standard", "Edit", "Source", "Target"};
const int kToolbarCommands[] = {Command::kToolbarStandard, Command::kToolbarEdit,
                                Command::kToolbarSource, Command::kToolbarTarget};

// How long a status bar hint stays before "Ready" returns.
constexpr int kHintMs = 5000;

QString Product() {
    return QString::fromLatin1(DocumentNames::kProductName);
}

}  // namespace

CMainFrame::CMainFrame(CController& controller, IPrompter& prompter, CSettings& settings,
                       QWidget* parent)
    : QMainWindow(parent),
      CControllerObserver<CMainFrame>(controller),
      controller_(controller),
      prompter_(prompter),
      settings_(settings),
      help_(CHelp::DefaultFolder(), prompter) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/datavane.svg")));
    for (const CommandInfo& info : Commands()) {
        MakeAction(info.id);
    }
    BuildMenus();
    BuildToolbars();
    // A normal widget, not a message: status tips of menus and buttons hide
    // it while they show and it comes back after them.
    ready_ = new QLabel(tr("Ready"), statusBar());
    ready_->setObjectName(QStringLiteral("ReadyText"));
    statusBar()->addWidget(ready_, 1);
    tabs_ = new CDVTabView(this);
    setCentralWidget(tabs_);
    resize(1100, 760);
    RestoreSettings();
    controller_.SetViewStateProvider(this);
    controller_.SetHost(this);
    // Shortcut overrides go to the focused widget; watching the application
    // sees them whatever field has the focus.
    qApp->installEventFilter(this);
    RefreshTitle();
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    controller_.SetViewStateProvider(nullptr);
    controller_.SetHost(nullptr);
}

QAction* CMainFrame::MakeAction(int id) {
    const CommandInfo* info = FindCommand(id);
    auto* action = new QAction(tr(info->label), this);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    action->setData(id);
    if (*info->shortcut) {
        action->setShortcut(QKeySequence(QString::fromLatin1(info->shortcut)));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    if (*info->tip) {
        action->setToolTip(tr(info->tip));
        action->setStatusTip(tr(info->tip));
    }
    if (*info->icon) {
        action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(info->icon))));
    }
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    actions_[id] = action;
    return action;
}

QAction* CMainFrame::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::BuildMenus() {
    using namespace Command;
    QMenuBar* bar = menuBar();
    auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(Action(id));
            }
        }
    };
    QMenu* file = bar->addMenu(tr("&File"));
    add(file, {kNew, kOpen, kSave, kSaveAs, 0});
    recentMenu_ = file->addMenu(tr("Recent &Files"));
    recentMenu_->setObjectName(QStringLiteral("RecentFiles"));
    add(file, {0, kTransform, 0, kExit});

    add(bar->addMenu(tr("&Edit")), {kUndo, kRedo, 0, kCut, kCopy, kPaste, kDelete});

    QMenu* view = bar->addMenu(tr("&View"));
    add(view, {kViewSource, kViewSelection, kViewTarget, kViewOutput, 0});
    QMenu* toolbars = view->addMenu(tr("Too&lbars"));
    add(toolbars,
        {kToolbarStandard, kToolbarEdit, kToolbarSource, kToolbarTarget, 0, kLockToolbars});
    add(view, {kStatusBar});
    for (int id : {kToolbarStandard, kToolbarEdit, kToolbarSource, kToolbarTarget, kLockToolbars,
                   kStatusBar}) {
        Action(id)->setCheckable(true);
    }
    Action(kStatusBar)->setChecked(true);

    add(bar->addMenu(tr("&Source")), {kSort, kFilter, 0, kColumnProperties, kSourceOptions});
    add(bar->addMenu(tr("&XML")),
        {kAddElement, kAddAttribute, kNodeProperties, 0, kMoveUp, kMoveDown, kMoveLeft, kMoveRight,
         0, kImport, kGenerateSchema, kTargetOptions});
    add(bar->addMenu(tr("&Output")), {kOutputOptions, 0, kTransform});
    add(bar->addMenu(tr("&Help")), {kHelp, kHelpContents, 0, kAbout});
}

void CMainFrame::BuildToolbars() {
    using namespace Command;
    const std::initializer_list<int> contents[] = {
        {kNew, kOpen, kSave, 0, kTransform, 0, kHelp},
        {kCut, kCopy, kPaste, kDelete, 0, kUndo, kRedo},
        {kSort, kFilter, kColumnProperties, kSourceOptions},
        {kAddElement, kAddAttribute, kNodeProperties, 0, kMoveUp, kMoveDown, kMoveLeft, kMoveRight,
         0, kImport, kTargetOptions, kOutputOptions},
    };
    for (int i = 0; i < kToolbarCount; ++i) {
        QToolBar* bar = addToolBar(tr(kToolbarNames[i]));
        bar->setObjectName(QStringLiteral("Toolbar%1").arg(QLatin1String(kToolbarNames[i])));
        bar->setIconSize(QSize(22, 22));
        for (int id : contents[i]) {
            if (id == 0) {
                bar->addSeparator();
            } else {
                bar->addAction(Action(id));
            }
        }
        QAction* toggle = Action(kToolbarCommands[i]);
        toggle->setChecked(true);
        connect(bar, &QToolBar::visibilityChanged, toggle, [this, bar, toggle](bool) {
            // Hidden with the window is not hidden by the user.
            if (isVisible()) {
                toggle->setChecked(bar->isVisibleTo(this));
            }
        });
        toolbars_[i] = bar;
    }
}

void CMainFrame::AddPage(IDVPage* page, const QString& title) {
    tabs_->AddPage(page, title);
    if (auto* widget = dynamic_cast<QWidget*>(page)) {
        NameFieldsAfterTheirLabels(widget);
    }
}

void CMainFrame::SetCommandHandler(int id, std::function<void()> handler) {
    handlers_[id] = std::move(handler);
    UpdateCommandStates();
}

void CMainFrame::RestoreSettings() {
    if (!settings_.IsReadable()) {
        return;
    }
    const QByteArray geometry = settings_.WindowPlacement();
    if (!geometry.isEmpty()) {
        restoreGeometry(geometry);
    }
    const bool statusVisible =
        settings_.Flags(CSettings::kFlagStatusBar) & CSettings::kFlagStatusBar;
    statusBar()->setVisible(statusVisible);
    Action(Command::kStatusBar)->setChecked(statusVisible);
    settings_.ReadRecentFiles(recent_);
    RebuildRecentMenu();

    CSettings::Toolbars stored;
    if (settings_.ReadToolbars(stored)) {
        if (!stored.layout.isEmpty()) {
            restoreState(stored.layout);
        }
        for (const CSettings::ToolbarBand& band : stored.bands) {
            for (int i = 0; i < kToolbarCount; ++i) {
                if (toolbars_[i]->objectName() == band.id) {
                    toolbars_[i]->setVisible(band.visible);
                    Action(kToolbarCommands[i])->setChecked(band.visible);
                }
            }
        }
        Action(Command::kLockToolbars)->setChecked(stored.locked);
        for (QToolBar* bar : toolbars_) {
            bar->setMovable(!stored.locked);
        }
    }
}

void CMainFrame::SaveSettings() {
    settings_.SetWindowPlacement(saveGeometry());
    settings_.SetFlags(statusBar()->isVisibleTo(this) ? CSettings::kFlagStatusBar : 0);
    settings_.WriteRecentFiles(recent_);
    CSettings::Toolbars stored;
    stored.locked = Action(Command::kLockToolbars)->isChecked();
    stored.layout = saveState();
    for (int i = 0; i < kToolbarCount; ++i) {
        stored.bands.push_back(
            {toolbars_[i]->objectName(), Action(kToolbarCommands[i])->isChecked()});
    }
    settings_.WriteToolbars(stored);
    settings_.Sync();
}

void CMainFrame::RebuildRecentMenu() {
    recentMenu_->clear();
    const auto& paths = recent_.Paths();
    for (size_t i = 0; i < paths.size(); ++i) {
        const QString path = ToQt(paths[i]);
        QAction* entry = recentMenu_->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(ToQt(CRecentFileList::Compact(paths[i]))));
        entry->setData(Command::kRecentFirst + static_cast<int>(i));
        entry->setToolTip(path);
        entry->setStatusTip(path);
        connect(entry, &QAction::triggered, this, [this, path] { OpenRecent(path); });
    }
    recentMenu_->setEnabled(!paths.empty());
}

void CMainFrame::OpenRecent(const QString& path) {
    if (!PromptSaveChanges()) {
        return;
    }
    OpenDocument(path);
}

bool CMainFrame::PromptSaveChanges() {
    if (!controller_.IsModified()) {
        return true;
    }
    switch (prompter_.Message(this, ToQt(DocumentNames::SaveChangesQuestion(controller_.Path())),
                              Product(), IPrompter::Buttons::kYesNoCancel,
                              IPrompter::Icon::kQuestion)) {
        case IPrompter::Answer::kYes:
            return SaveDocument();
        case IPrompter::Answer::kNo:
            return true;
        default:
            return false;
    }
}

bool CMainFrame::OpenDocument(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!controller_.Open(path.toStdString())) {
        QString text = QStringLiteral("Cannot open the transformation definition %1.\r\n\r\n%2")
                           .arg(absolute, ToQt(controller_.LastError()));
        if (controller_.IsModified()) {
            text += tr("\r\n\r\nWhat could be read is shown as the untitled definition %1; "
                       "Save asks where to keep it.")
                        .arg(ToQt(controller_.Path()));
        }
        prompter_.Message(this, text, Product(), IPrompter::Buttons::kOk, IPrompter::Icon::kError);
        RefreshTitle();
        return false;
    }
    recent_.Add(absolute.toStdString());
    RebuildRecentMenu();
    RefreshTitle();
    return true;
}

bool CMainFrame::SaveDocument() {
    if (controller_.IsUntitled()) {
        return SaveDocumentAs();
    }
    const bool saved = controller_.Save();
    if (!saved) {
        prompter_.Message(this,
                          QStringLiteral("Cannot save the transformation definition %1.\r\n\r\n%2")
                              .arg(ToQt(controller_.Path()), ToQt(controller_.LastError())),
                          Product(), IPrompter::Buttons::kOk, IPrompter::Icon::kError);
    }
    RefreshTitle();
    return saved;
}

bool CMainFrame::SaveDocumentAs() {
    QString start = ToQt(controller_.Path());
    if (QFileInfo(start).isRelative()) {
        start = QDir::current().filePath(start);
    }
    const QString path =
        prompter_.SaveFileName(this, tr("Save As"), start, kDefinitionFilter, kDefinitionSuffix);
    if (path.isEmpty()) {
        return false;
    }
    const bool saved = controller_.SaveAs(path.toStdString());
    if (saved) {
        recent_.Add(QFileInfo(path).absoluteFilePath().toStdString());
        RebuildRecentMenu();
    } else {
        prompter_.Message(this,
                          QStringLiteral("Cannot save the transformation definition %1.\r\n\r\n%2")
                              .arg(path, ToQt(controller_.LastError())),
                          Product(), IPrompter::Buttons::kOk, IPrompter::Icon::kError);
    }
    RefreshTitle();
    return saved;
}

bool CMainFrame::ExecuteCommand(int id) {
    using namespace Command;
    if (id != kCut && id != kCopy && id != kPaste && id != kDelete) {
        for (int i = 0; i < tabs_->PageCount(); ++i) {
            tabs_->Page(i)->CommitEdits();
        }
    }
    switch (id) {
        case kNew:
            if (PromptSaveChanges()) {
                controller_.New();
            }
            return true;
        case kOpen: {
            const QString current = ToQt(controller_.Path());
            const QString start =
                controller_.IsUntitled() ? QDir::currentPath() : QFileInfo(current).absolutePath();
            const QString path = prompter_.OpenFileName(this, tr("Open"), start, kDefinitionFilter,
                                                        kDefinitionSuffix);
            if (!path.isEmpty() && PromptSaveChanges()) {
                OpenDocument(path);
            }
            return true;
        }
        case kSave:
            SaveDocument();
            return true;
        case kSaveAs:
            SaveDocumentAs();
            return true;
        case kExit:
            close();
            return true;
        case kUndo:
            controller_.Undo();
            return true;
        case kRedo:
            controller_.Redo();
            return true;
        case kCut:
        case kCopy:
        case kPaste:
        case kDelete:
            SendEditCommand(id);
            return true;
        case kViewSource:
            tabs_->setCurrentIndex(0);
            return true;
        case kViewSelection:
            tabs_->setCurrentIndex(1);
            return true;
        case kViewTarget:
            tabs_->setCurrentIndex(2);
            return true;
        case kViewOutput:
            tabs_->setCurrentIndex(3);
            return true;
        case kHelp: {
            IDVPage* page = tabs_->CurrentPage();
            const int topic = page ? page->HelpTopic() : HelpTopic::kContents;
            if (!help_.Show(this, topic, CHelp::Missing::kQuiet)) {
                statusBar()->showMessage(
                    tr("The user guide cannot be opened (%1).").arg(help_.TopicFile(topic)),
                    kHintMs);
            }
            return true;
        }
        case kHelpContents:
            help_.Show(this, HelpTopic::kContents);
            return true;
        case kAbout:
            ShowAbout();
            return true;
        case kToolbarStandard:
        case kToolbarEdit:
        case kToolbarSource:
        case kToolbarTarget:
            for (int i = 0; i < kToolbarCount; ++i) {
                if (kToolbarCommands[i] == id) {
                    toolbars_[i]->setVisible(Action(id)->isChecked());
                }
            }
            return true;
        case kLockToolbars:
            for (QToolBar* bar : toolbars_) {
                bar->setMovable(!Action(id)->isChecked());
            }
            return true;
        case kStatusBar:
            statusBar()->setVisible(Action(id)->isChecked());
            return true;
        default:
            break;
    }
    if (auto it = handlers_.find(id); it != handlers_.end() && it->second) {
        it->second();
        return true;
    }
    if (IDVPage* page = tabs_->CurrentPage(); page && page->HandleCommand(id)) {
        return true;
    }
    return false;
}

void CMainFrame::SendEditCommand(int id) {
    // The XML tree treats Delete as deleting its selected node.
    if (id == Command::kDelete) {
        if (IDVPage* page = tabs_->CurrentPage(); page && page->HandleCommand(id)) {
            return;
        }
    }
    QWidget* focus = QApplication::focusWidget();
    if (!focus) {
        return;
    }
    if (auto* combo = qobject_cast<QComboBox*>(focus); combo && combo->lineEdit()) {
        focus = combo->lineEdit();
    }
    switch (id) {
        case Command::kCut:
            QMetaObject::invokeMethod(focus, "cut");
            break;
        case Command::kCopy:
            QMetaObject::invokeMethod(focus, "copy");
            break;
        case Command::kPaste:
            QMetaObject::invokeMethod(focus, "paste");
            break;
        default: {
            // What the Delete key would do in that field.
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
            QApplication::sendEvent(focus, &press);
            QApplication::sendEvent(focus, &release);
            break;
        }
    }
}

void CMainFrame::ShowAbout() {
    prompter_.About(this, tr("About Tarnwright Datavane"),
                    Product() + QStringLiteral("\r\nVersion ") + QStringLiteral(DV_VERSION));
}

void CMainFrame::OnUpdate(int32_t) {
    RefreshTitle();
    UpdateCommandStates();
}

void CMainFrame::RefreshTitle() {
    setWindowTitle(ToQt(DocumentNames::WindowTitle(controller_.Path(), controller_.IsModified())));
}

void CMainFrame::UpdateCommandStates() {
    using namespace Command;
    Action(kUndo)->setEnabled(controller_.CanUndo());
    Action(kRedo)->setEnabled(controller_.CanRedo());
    const bool hasColumns = !controller_.Definition().Columns().empty();
    for (int id : {kSort, kFilter, kColumnProperties, kSourceOptions, kNodeProperties, kAddElement,
                   kAddAttribute, kMoveUp, kMoveDown, kMoveLeft, kMoveRight, kImport,
                   kTargetOptions, kOutputOptions}) {
        bool enabled = handlers_.count(id) > 0;
        if (!enabled) {
            for (int i = 0; i < tabs_->PageCount() && !enabled; ++i) {
                enabled = tabs_->Page(i)->CanHandleCommand(id);
            }
        }
        if (id == kSort || id == kFilter || id == kColumnProperties) {
            enabled = enabled && hasColumns;
        }
        Action(id)->setEnabled(enabled);
    }
}

std::string CMainFrame::SaveViewState() {
    const int index = tabs_->currentIndex();
    IDVPage* page = tabs_->CurrentPage();
    return (QString::number(index) + '\t' + (page ? page->ViewState() : QString())).toStdString();
}

void CMainFrame::RestoreViewState(const std::string& token) {
    const QString text = ToQt(token);
    bool ok = false;
    const int index = text.section('\t', 0, 0).toInt(&ok);
    if (!ok) {
        return;
    }
    tabs_->setCurrentIndex(index);
    if (IDVPage* page = tabs_->Page(index)) {
        page->RestoreViewState(text.section('\t', 1));
    }
}

void CMainFrame::BeginWait() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CMainFrame::EndWait() {
    QApplication::restoreOverrideCursor();
}

std::function<void()> CMainFrame::SaveFocus() {
    QPointer<QWidget> focus = QApplication::focusWidget();
    return [focus] {
        if (focus && focus->isVisible()) {
            focus->setFocus();
        }
    };
}

void CMainFrame::DocumentStateChanged() {
    RefreshTitle();
    UpdateCommandStates();
}

bool CMainFrame::FieldCanUndo(const QWidget* focus, bool undo) {
    if (const auto* line = qobject_cast<const QLineEdit*>(focus)) {
        return undo ? line->isUndoAvailable() : line->isRedoAvailable();
    }
    const QTextDocument* document = nullptr;
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(focus)) {
        document = plain->document();
    } else if (const auto* rich = qobject_cast<const QTextEdit*>(focus)) {
        document = rich->document();
    }
    if (document) {
        return undo ? document->isUndoAvailable() : document->isRedoAvailable();
    }
    return true;  // spin and combo boxes keep their own
}

bool CMainFrame::IsUndoKey(const QWidget* focus, const QKeyEvent& key) {
    const bool field = qobject_cast<const QLineEdit*>(focus) ||
                       qobject_cast<const QPlainTextEdit*>(focus) ||
                       qobject_cast<const QTextEdit*>(focus);
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    return field && modifiers == Qt::ControlModifier &&
           (key.key() == Qt::Key_Z || key.key() == Qt::Key_Y);
}

bool CMainFrame::IsFieldKey(const QWidget* focus, const QKeyEvent& key) {
    if (!focus) {
        return false;
    }
    bool editable = false;
    if (const auto* line = qobject_cast<const QLineEdit*>(focus)) {
        editable = !line->isReadOnly();
    } else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(focus)) {
        editable = !plain->isReadOnly();
    } else if (const auto* rich = qobject_cast<const QTextEdit*>(focus)) {
        editable = !rich->isReadOnly();
    } else if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(focus)) {
        editable = !spin->isReadOnly();
    } else if (const auto* combo = qobject_cast<const QComboBox*>(focus)) {
        editable = combo->isEditable();
    }
    if (!editable) {
        return false;
    }
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (modifiers == Qt::NoModifier) {
        return key.key() == Qt::Key_Insert || key.key() == Qt::Key_Delete;
    }
    if (modifiers == Qt::ControlModifier) {
        switch (key.key()) {
            case Qt::Key_Z:
            case Qt::Key_Y:
                // Undo and redo are the field's while it has typing of its own
                // to take back; typing already applied is the program's step.
                return FieldCanUndo(focus, key.key() == Qt::Key_Z);
            case Qt::Key_A:
            case Qt::Key_C:
            case Qt::Key_X:
            case Qt::Key_V:
            case Qt::Key_Insert:
                return true;
            default:
                break;
        }
    }
    return false;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // Accepting the override hands the key to the field, whose own undo,
    // selection and clipboard act on its text; the program's Undo or Add
    // Attribute would act on the definition behind it.
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()) {
        auto* field = static_cast<QWidget*>(watched);
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (IsFieldKey(field, key)) {
            event->accept();
            return true;
        }
        if (IsUndoKey(field, key)) {
            // Nothing of the field's own to undo: the field must not take
            // the key, so the program's Undo or Redo does.
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    for (int i = 0; i < tabs_->PageCount(); ++i) {
        tabs_->Page(i)->CommitEdits();
    }
    if (!PromptSaveChanges()) {
        event->ignore();
        return;
    }
    SaveSettings();
    event->accept();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!initialised_) {
        initialised_ = true;
        QTimer::singleShot(0, this, &CMainFrame::DelayedInitialise);
    }
}

void CMainFrame::DelayedInitialise() {
    tabs_->setCurrentIndex(0);
    if (!controller_.StartupPath().empty()) {
        OpenDocument(ToQt(controller_.StartupPath()));
    }
}
