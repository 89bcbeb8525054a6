#include "CXMLSchemaView.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>

#include "CXMLItemDelegate.h"
#include "CXMLTreeModel.h"
#include "ColumnDrag.h"
#include "XMLTreeCommands.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/CommandTable.h"
#include "frame/DocumentNames.h"
#include "frame/IPrompter.h"

CXMLSchemaView::CXMLSchemaView(CController& controller, IPrompter& prompter, QWidget* parent)
    : QTreeView(parent), controller_(controller), prompter_(prompter) {
    setObjectName(QStringLiteral("DVXMLSchemaTree"));
    model_ = new CXMLTreeModel(controller, this);
    setModel(model_);
    setItemDelegate(new CXMLItemDelegate(this));
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);

    connect(model_, &QAbstractItemModel::modelReset, this, &CXMLSchemaView::AfterReset);
    connect(model_, &CXMLTreeModel::Synced, this, &CXMLSchemaView::AfterSync);
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                for (int row = first; row <= last; ++row) {
                    inserted_.emplace_back(model_->index(row, 0, parent));
                }
            });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (XMLNode* node = model_->NodeFromIndex(index); node && !restoring_) {
            node->SetExpanded(true);  // view state, not a change of the definition
        }
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (XMLNode* node = model_->NodeFromIndex(index); node && !restoring_) {
            node->SetExpanded(false);
        }
    });
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (model_->NodeFromIndex(index) && properties_) {
            properties_();
        }
    });
    AfterReset();
}

XMLNode* CXMLSchemaView::SelectedNode() const {
    return model_->NodeFromIndex(currentIndex());
}

void CXMLSchemaView::SelectNode(const XMLNode* node) {
    const QModelIndex index = model_->IndexForNode(node);
    if (index.isValid()) {
        setCurrentIndex(index);
        scrollTo(index);
    }
}

void CXMLSchemaView::SelectPath(const std::string& path) {
    if (XMLNode* node = XMLTreeCommands::NodeAt(controller_.Definition().Root(), path)) {
        SelectNode(node);
    }
}

void CXMLSchemaView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (restoring_) {
        return;
    }
    const XMLNode* node = model_->NodeFromIndex(current);
    hasSelection_ = node != nullptr;
    selectedPath_ = node ? XMLTreeCommands::PathOf(node) : std::string();
    emit SelectedNodeChanged();
}

void CXMLSchemaView::ApplyExpansion(const QModelIndex& index) {
    const int rows = model_->rowCount(index);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = model_->index(row, 0, index);
        const XMLNode* node = model_->NodeFromIndex(child);
        if (node && node->ChildCount() > 0) {
            setExpanded(child, node->GetExpanded());
            ApplyExpansion(child);
        }
    }
}

void CXMLSchemaView::AfterReset() {
    restoring_ = true;
    const QModelIndex top = model_->TopIndex();
    setExpanded(top, true);
    const XMLRootNode& root = controller_.Definition().Root();
    const QModelIndex rootIndex = model_->IndexForNode(&root);
    setExpanded(rootIndex, root.GetExpanded() || root.ChildCount() == 0);
    ApplyExpansion(rootIndex);
    restoring_ = false;
    SelectAfterChange();
}

void CXMLSchemaView::AfterSync(int32_t code) {
    restoring_ = true;
    for (const QPersistentModelIndex& index : inserted_) {
        const XMLNode* node = model_->NodeFromIndex(index);
        if (index.isValid() && node && node->ChildCount() > 0) {
            setExpanded(index, node->GetExpanded());
            ApplyExpansion(index);
        }
    }
    inserted_.clear();
    const XMLRootNode& root = controller_.Definition().Root();
    if (root.ChildCount() == 0) {
        setExpanded(model_->IndexForNode(&root), true);
    }
    restoring_ = false;
    if (code == ChangeCode::kAll) {
        // Undo and redo bring back the expansion of their time; the rows
        // keep the one shown, which the definition takes over.
        std::function<void(const QModelIndex&)> keep = [this, &keep](const QModelIndex& parent) {
            const int rows = model_->rowCount(parent);
            for (int row = 0; row < rows; ++row) {
                const QModelIndex child = model_->index(row, 0, parent);
                if (model_->rowCount(child) > 0) {
                    if (XMLNode* node = model_->NodeFromIndex(child)) {
                        node->SetExpanded(isExpanded(child));
                    }
                    keep(child);
                }
            }
        };
        keep(model_->TopIndex());
    }
    if (!hasPending_) {
        // The selected row may have moved; a row that went leaves its path.
        if (const XMLNode* current = SelectedNode()) {
            selectedPath_ = XMLTreeCommands::PathOf(current);
            hasSelection_ = true;
            emit SelectedNodeChanged();
            return;
        }
    }
    SelectAfterChange();
}

void CXMLSchemaView::SelectAfterChange() {
    const std::string path = hasPending_ ? pendingPath_ : selectedPath_;
    const bool select = hasPending_ || hasSelection_;
    hasPending_ = false;
    XMLNode* node =
        select ? XMLTreeCommands::NodeAt(controller_.Definition().Root(), path) : nullptr;
    if (node) {
        SelectNode(node);
    } else {
        setCurrentIndex(QModelIndex());
    }
    selectedPath_ = node ? XMLTreeCommands::PathOf(node) : std::string();
    hasSelection_ = node != nullptr;
    emit SelectedNodeChanged();
}

bool CXMLSchemaView::Apply(XMLNode* affected) {
    if (!affected) {
        return false;
    }
    pendingPath_ = XMLTreeCommands::PathOf(affected);
    hasPending_ = true;
    controller_.Changed(ChangeCode::kTree);
    return true;
}

bool CXMLSchemaView::AddNode(int32_t kind) {
    int& counter = kind == XMLNode::kAttribute ? attributeCounter_ : elementCounter_;
    return Apply(
        XMLTreeCommands::Add(controller_.Definition().Root(), SelectedNode(), kind, counter));
}

bool CXMLSchemaView::DeleteSelected() {
    return Apply(XMLTreeCommands::Delete(controller_.Definition().Root(), SelectedNode()));
}

bool CXMLSchemaView::DuplicateSelected(bool withChildren) {
    return Apply(
        XMLTreeCommands::Duplicate(controller_.Definition().Root(), SelectedNode(), withChildren));
}

bool CXMLSchemaView::DropOn(XMLNode* dragged, XMLNode* target) {
    return Apply(XMLTreeCommands::Drop(controller_.Definition().Root(), dragged, target));
}

bool CXMLSchemaView::DropColumns(const std::vector<int32_t>& columnIds, XMLNode* target,
                                 bool asAttributes) {
    const DVFile& definition = controller_.Definition();
    std::vector<XMLTreeCommands::Column> columns;
    for (int32_t id : columnIds) {
        const int32_t index = definition.ColumnIndexById(id);
        if (index >= 0) {
            columns.push_back({id, definition.Columns()[static_cast<size_t>(index)].name});
        }
    }
    return Apply(XMLTreeCommands::MapColumns(controller_.Definition().Root(), target, columns,
                                             asAttributes));
}

bool CXMLSchemaView::CanExecute(int command) const {
    using namespace Command;
    switch (command) {
        case kAddElement:
        case kAddAttribute:
        case kMoveUp:
        case kMoveDown:
        case kMoveLeft:
        case kMoveRight:
        case kDelete:
            return true;
        default:
            return false;
    }
}

bool CXMLSchemaView::Execute(int command) {
    using namespace Command;
    XMLRootNode& root = controller_.Definition().Root();
    XMLNode* node = SelectedNode();
    switch (command) {
        case kAddElement:
            return AddNode(XMLNode::kElement);
        case kAddAttribute:
            return AddNode(XMLNode::kAttribute);
        case kDelete:
            return DeleteSelected();
        case kMoveUp:
            return Apply(XMLTreeCommands::MoveUp(node));
        case kMoveDown:
            return Apply(XMLTreeCommands::MoveDown(node));
        case kMoveRight:
            return Apply(XMLTreeCommands::MoveRight(node));
        case kMoveLeft:
            return Apply(XMLTreeCommands::MoveLeft(root, node, [this](const std::string& name) {
                return prompter_.Message(window(),
                                         QStringLiteral("Make \"%1\" the root node?")
                                             .arg(QString::fromStdString(name)),
                                         QString::fromLatin1(DocumentNames::kProductName),
                                         IPrompter::Buttons::kYesNo,
                                         IPrompter::Icon::kQuestion) == IPrompter::Answer::kYes;
            }));
        default:
            return false;
    }
}

void CXMLSchemaView::keyPressEvent(QKeyEvent* event) {
    using namespace Command;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (event->key()) {
        case Qt::Key_Insert:
            if (plain) {
                Execute(kAddElement);
                return;
            }
            break;
        case Qt::Key_A:
            if (control) {
                Execute(kAddAttribute);
                return;
            }
            break;
        case Qt::Key_Delete:
            if (plain || control) {
                Execute(kDelete);
                return;
            }
            break;
        case Qt::Key_D:
            if (plain || control) {
                DuplicateSelected(control);
                return;
            }
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
            if (control) {
                const int key = event->key();
                Execute(key == Qt::Key_Up     ? kMoveUp
                        : key == Qt::Key_Down ? kMoveDown
                        : key == Qt::Key_Left ? kMoveLeft
                                              : kMoveRight);
                return;
            }
            break;
        default:
            break;
    }
    QTreeView::keyPressEvent(event);
}

void CXMLSchemaView::startDrag(Qt::DropActions supportedActions) {
    const XMLNode* node = SelectedNode();
    if (!node || !node->GetParent()) {
        return;  // the document node stays where it is
    }
    draggedPath_ = XMLTreeCommands::PathOf(node);
    QTreeView::startDrag(supportedActions);
}

void CXMLSchemaView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(ColumnDrag::kMimeType))) {
        setState(DraggingState);
        event->acceptProposedAction();
        return;
    }
    QTreeView::dragEnterEvent(event);
}

void CXMLSchemaView::dragMoveEvent(QDragMoveEvent* event) {
    QTreeView::dragMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool columns = event->mimeData()->hasFormat(QString::fromLatin1(ColumnDrag::kMimeType));
    if ((event->source() == this || columns) && model_->NodeFromIndex(index)) {
        if (columns) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
            return;
        }
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CXMLSchemaView::dropEvent(QDropEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    const std::string target =
        model_->NodeFromIndex(index) ? XMLTreeCommands::PathOf(model_->NodeFromIndex(index)) : "";
    const bool onNode = model_->NodeFromIndex(index) != nullptr;
    const std::string dragged = draggedPath_;
    // The tree is rebuilt from the definition; the view must not move rows
    // itself, so the drop reports no action.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    const QByteArray columns = event->mimeData()->data(QString::fromLatin1(ColumnDrag::kMimeType));
    if (!columns.isEmpty() && onNode) {
        const bool attributes = event->modifiers() & (Qt::ShiftModifier | Qt::AltModifier);
        const std::vector<int32_t> ids = ColumnDrag::Decode(columns);
        event->setDropAction(Qt::CopyAction);
        QTimer::singleShot(0, this, [this, ids, target, attributes] {
            DropColumns(ids, XMLTreeCommands::NodeAt(controller_.Definition().Root(), target),
                        attributes);
        });
        return;
    }
    if (event->source() != this || !onNode) {
        return;
    }
    // After the drag has finished, so the rebuild does not pull the rows from
    // under it.
    QTimer::singleShot(0, this, [this, dragged, target] {
        XMLRootNode& root = controller_.Definition().Root();
        DropOn(XMLTreeCommands::NodeAt(root, dragged), XMLTreeCommands::NodeAt(root, target));
    });
}
