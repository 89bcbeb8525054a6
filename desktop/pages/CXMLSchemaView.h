#pragma once

#include <QPersistentModelIndex>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

class CController;
class CXMLTreeModel;
class IPrompter;
class XMLNode;

// The XML tree of the Target tab, with its commands: add an element or an
// attribute, delete, duplicate, move up, down, left and right, and drag and
// drop, and source columns dropped onto a node (see MapColumns). Every
// command changes the definition's tree, gives Changed(3) (one undo step) and
// selects the node it affected.
class CXMLSchemaView : public QTreeView {
    Q_OBJECT

public:
    CXMLSchemaView(CController& controller, IPrompter& prompter, QWidget* parent = nullptr);

    CXMLTreeModel* Model() const noexcept { return model_; }
    XMLNode* SelectedNode() const;
    std::string SelectedPath() const { return selectedPath_; }
    void SelectPath(const std::string& path);
    void SelectNode(const XMLNode* node);
    // The command table's identifiers this view carries out.
    bool Execute(int command);
    bool CanExecute(int command) const;
    // Drag and drop of one node onto another, by the tree's rules.
    bool DropOn(XMLNode* dragged, XMLNode* target);
    // Source columns (by id) dropped onto target, by XMLTreeCommands::MapColumns.
    bool DropColumns(const std::vector<int32_t>& columnIds, XMLNode* target, bool asAttributes);
    void SetPropertiesHandler(std::function<void()> handler) { properties_ = std::move(handler); }

    bool AddNode(int32_t kind);
    bool DeleteSelected();
    bool DuplicateSelected(bool withChildren);

signals:
    void SelectedNodeChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    // Runs a command; its node (null: nothing changed) is selected after the
    // change notification.
    bool Apply(XMLNode* affected);
    void AfterReset();
    // Rows came or went, or their text changed: the view keeps what it
    // showed, applies the stored expansion to new rows and selects the
    // command's node.
    void AfterSync(int32_t code);
    void SelectAfterChange();
    void ApplyExpansion(const QModelIndex& index);

    CController& controller_;
    IPrompter& prompter_;
    CXMLTreeModel* model_;
    std::string selectedPath_;
    std::string pendingPath_;
    bool hasPending_ = false;
    bool hasSelection_ = false;
    std::string draggedPath_;
    std::vector<QPersistentModelIndex> inserted_;
    int elementCounter_ = 0;
    int attributeCounter_ = 0;
    bool restoring_ = false;
    std::function<void()> properties_;
};
