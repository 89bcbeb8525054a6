#include "CXMLSchemaPage.h"

#include <QAction>
#include <QToolBar>
#include <QVBoxLayout>

#include "CSPanel.h"
#include "CSourceColumnsListView.h"
#include "CXMLNodePropDlg.h"
#include "CXMLSchemaView.h"
#include "CXMLTreeModel.h"
#include "ChangeLevels.h"
#include "XMLTreeCommands.h"
#include "controller/ChangeCode.h"
#include "frame/CommandTable.h"
#include "frame/HelpTopics.h"

CXMLSchemaPage::CXMLSchemaPage(CController& controller, IPrompter& prompter, CSettings& settings,
                               QWidget* parent)
    : CDVPage(controller, settings, HelpTopic::kTargetPage, parent) {
    setObjectName(QStringLiteral("TargetPage"));
    tree_ = new CXMLSchemaView(controller, prompter, this);
    tree_->setAccessibleName(tr("XML Schema"));
    node_ = new CXMLNodePropDlg(controller, this);
    columns_ = new CSourceColumnsListView(this, true);
    columns_->setObjectName(QStringLiteral("TargetColumns"));
    columns_->setToolTip(
        tr("Double click a column to take the selected node's value from it, or drag columns "
           "onto a node to add an element for each (with Shift or Alt: an attribute)"));

    // The tree's own toolbar.
    auto* treeArea = new QWidget(this);
    auto* treeLayout = new QVBoxLayout(treeArea);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    tools_ = new QToolBar(treeArea);
    tools_->setIconSize(QSize(18, 18));
    using namespace Command;
    for (int id : std::initializer_list<int>{kAddElement, kAddAttribute, kDelete, 0, kMoveUp,
                                             kMoveDown, kMoveLeft, kMoveRight, 0, kNodeProperties,
                                             kImport, kTargetOptions}) {
        if (id == 0) {
            tools_->addSeparator();
            continue;
        }
        const CommandInfo* info = FindCommand(id);
        QAction* action = tools_->addAction(
            QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(info->icon))),
            tr(info->label).remove('&'));
        action->setToolTip(tr(info->tip));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] {
            node_->CommitEdits();
            if (auto it = handlers_.find(id); it != handlers_.end() && it->second) {
                it->second();
            } else {
                tree_->Execute(id);
            }
        });
    }
    treeLayout->addWidget(tools_);
    treeLayout->addWidget(tree_, 1);

    QSplitter* outer = MakeSplitter(Qt::Horizontal, QStringLiteral("TargetPage"), {200, 480, 340});
    outer->addWidget(new CSPanel(tr("Source Columns"), columns_, outer));
    outer->addWidget(new CSPanel(tr("XML Schema"), treeArea, outer));
    outer->addWidget(new CSPanel(tr("XML Node Properties"), node_, outer));
    outer->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(outer);
    RestoreSplitters();

    connect(tree_, &CXMLSchemaView::SelectedNodeChanged, this,
            [this] { node_->SetNode(tree_->SelectedNode()); });
    connect(columns_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        XMLNode* node = tree_->SelectedNode();
        if (node && node->GetNodeType() != XMLNode::kDocumentRoot &&
            node->SetSource(item->data(0, Qt::UserRole).toInt())) {
            const std::string path = XMLTreeCommands::PathOf(node);
            Controller().Changed(ChangeCode::kTree);
            tree_->SelectPath(path);
        }
    });
    RefreshColumns();
}

void CXMLSchemaPage::SetCommandHandler(int id, std::function<void()> handler) {
    handlers_[id] = std::move(handler);
    if (id == Command::kNodeProperties) {
        tree_->SetPropertiesHandler(handlers_[id]);
        node_->SetMorePropertiesHandler(handlers_[id]);
    }
    for (QAction* action : tools_->actions()) {
        if (action->data().toInt() == id) {
            action->setEnabled(static_cast<bool>(handlers_[id]));
        }
    }
}

bool CXMLSchemaPage::CanHandleCommand(int id) const {
    return tree_->CanExecute(id) || handlers_.count(id) > 0;
}

bool CXMLSchemaPage::HandleCommand(int id) {
    node_->CommitEdits();
    if (auto it = handlers_.find(id); it != handlers_.end()) {
        if (it->second) {
            it->second();
        }
        return true;
    }
    // Delete belongs to the tree only while the tree has the focus (edit
    // fields delete text).
    if (id == Command::kDelete && !tree_->hasFocus()) {
        return false;
    }
    return tree_->Execute(id);
}

void CXMLSchemaPage::CommitEdits() {
    node_->CommitEdits();
}

QString CXMLSchemaPage::ViewState() const {
    return QString::fromStdString(tree_->SelectedPath());
}

void CXMLSchemaPage::RestoreViewState(const QString& state) {
    tree_->SelectPath(state.toStdString());
}

void CXMLSchemaPage::RefreshColumns() {
    columns_->Refresh(Controller().Definition());
}

void CXMLSchemaPage::OnUpdate(int32_t code) {
    if (Reaches(code, ChangeCode::kSelection)) {
        RefreshColumns();
    }
    node_->Refresh();
}
