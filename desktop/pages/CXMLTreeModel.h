#pragma once

#include <QAbstractItemModel>
#include <QStringList>

#include "controller/CControllerObserver.h"

class XMLNode;

// Mirrors the definition's node tree for a QTreeView; the engine keeps
// owning the tree. Under one top item "XML Schema" stand the XML
// declaration, the DOCTYPE and stylesheet items (when the definition writes
// them) and the document node with its descendants. Every change
// notification resets the model, so it never holds a node the definition no
// longer has; it is notified ahead of every view for that reason.
class CXMLTreeModel : public QAbstractItemModel, public CControllerObserver<CXMLTreeModel> {
    Q_OBJECT

public:
    // Parts of an item text, drawn in their own colours.
    enum SegmentKind { kMarkup, kName, kColumn, kValue, kHead };
    static constexpr int kSegmentsRole = Qt::UserRole + 1;
    static constexpr const char* kNodeMimeType = "application/x-datavane-node";

    explicit CXMLTreeModel(CController& controller, QObject* parent = nullptr);

    void OnUpdate(int32_t code);
    // Rebuilds the head items and forgets every index.
    void Reset();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    XMLNode* NodeFromIndex(const QModelIndex& index) const;
    QModelIndex IndexForNode(const XMLNode* node) const;
    QModelIndex TopIndex() const { return index(0, 0); }
    // The item text of a node by the tree's rule, as coloured pieces.
    QList<QPair<QString, int>> NodeSegments(const XMLNode& node) const;
    static QString Join(const QList<QPair<QString, int>>& segments);

private:
    enum class ItemKind { kTop, kHead, kNode };
    ItemKind KindOf(const QModelIndex& index) const;
    int HeadCount() const { return static_cast<int>(heads_.size()); }

    QStringList heads_;
    // Stable addresses for the index pointers of the top and head items.
    char topTag_ = 0;
    char headTags_[3] = {};
};
