#pragma once

#include <QAbstractItemModel>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "controller/CControllerObserver.h"

class XMLNode;

// Mirrors the definition's node tree for a QTreeView; the engine keeps
// owning the tree. Under one top item "XML Schema" stand the XML
// declaration, the DOCTYPE and stylesheet items (when the definition writes
// them) and the document node with its descendants.
//
// The model keeps its own items, one per row, holding what the row shows.
// Every change notification lines the items up with the definition again:
// rows whose text changed report dataChanged, rows that came or went are
// inserted or removed, so views keep their selection and expansion. Undo
// replaces every node of the definition, so rows are matched by position
// and name, never by node address. It is notified ahead of every view, so
// no view meets an item whose node is gone.
class CXMLTreeModel : public QAbstractItemModel, public CControllerObserver<CXMLTreeModel> {
    Q_OBJECT

public:
    // Parts of an item text, drawn in their own colours.
    enum SegmentKind { kMarkup, kName, kColumn, kValue, kHead };
    static constexpr int kSegmentsRole = Qt::UserRole + 1;
    static constexpr const char* kNodeMimeType = "application/x-datavane-node";

    explicit CXMLTreeModel(CController& controller, QObject* parent = nullptr);
    ~CXMLTreeModel() override;

    void OnUpdate(int32_t code);
    // Rebuilds every item and forgets every index.
    void Reset();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override {
        return Qt::MoveAction | Qt::CopyAction | Qt::LinkAction;
    }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    // Null while the items are being lined up with a changed definition.
    XMLNode* NodeFromIndex(const QModelIndex& index) const;
    QModelIndex IndexForNode(const XMLNode* node) const;
    QModelIndex TopIndex() const { return index(0, 0); }
    // The item text of a node by the tree's rule, as coloured pieces.
    QList<QPair<QString, int>> NodeSegments(const XMLNode& node) const;
    static QString Join(const QList<QPair<QString, int>>& segments);

signals:
    // After the items were lined up with the definition (not after Reset);
    // code is the change code that caused it.
    void Synced(int32_t code);

private:
    enum class ItemKind { kTop, kHead, kNode };
    struct Item;
    // The parts of the head items the definition writes, in order.
    struct Head {
        int role;
        QString text;
    };

    Item* ItemOf(const QModelIndex& index) const;
    QModelIndex IndexOf(Item& item) const;
    std::vector<Head> Heads() const;
    void IndexColumns();
    std::unique_ptr<Item> BuildNode(Item* parent, int row, XMLNode& node) const;
    std::unique_ptr<Item> BuildHead(Item* parent, int row, const Head& head) const;
    // Copies what the row of node shows; true when that changed.
    bool Fill(Item& item, XMLNode& node) const;
    QList<QPair<QString, int>> Segments(const Item& item) const;

    // Whether an item is like the new row i: same kind and name, and with
    // strict, as many children.
    using SameKey = std::function<bool(const Item& item, int i, bool strict)>;
    using Build = std::function<std::unique_ptr<Item>(int i)>;
    // Makes parent's rows as many as newCount: rows that match strictly at
    // the start and at the end stay; between them, as many old rows as new
    // stay in place; else rows alike by name at the middle's ends stay, the
    // other old ones are removed and the new ones built. Returns the rows
    // that were built new ([first, last), empty when none).
    std::pair<int, int> AlignRows(Item& parent, int newCount, const SameKey& sameKey,
                                  const Build& build);
    void SyncNode(Item& item, XMLNode& node);
    void Sync();

    std::unique_ptr<Item> top_;
    std::unordered_map<int32_t, std::string> columnNames_;
    bool syncing_ = false;
};
