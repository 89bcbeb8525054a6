#pragma once

#include <QTreeView>
#include <functional>
#include <string>

class CController;
class CXMLTreeModel;
class IPrompter;
class XMLNode;

// The XML tree of the Target tab, with its commands: add an element or an
// attribute, delete, duplicate, move up, down, left and right, and drag and
// drop. Every command changes the definition's tree, gives Changed(3) and
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
    void SetPropertiesHandler(std::function<void()> handler) { properties_ = std::move(handler); }

    bool AddNode(int32_t kind);
    bool DeleteSelected();
    bool DuplicateSelected(bool withChildren);

signals:
    void SelectedNodeChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    // Runs a command; its node (null: nothing changed) is selected after the
    // change notification.
    bool Apply(XMLNode* affected);
    void AfterReset();
    void ApplyExpansion(const QModelIndex& index);

    CController& controller_;
    IPrompter& prompter_;
    CXMLTreeModel* model_;
    std::string selectedPath_;
    std::string pendingPath_;
    bool hasPending_ = false;
    bool hasSelection_ = false;
    std::string draggedPath_;
    int elementCounter_ = 0;
    int attributeCounter_ = 0;
    bool restoring_ = false;
    std::function<void()> properties_;
};
