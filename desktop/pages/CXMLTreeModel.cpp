#include "CXMLTreeModel.h"

#include <QMimeData>

#include "ColumnDrag.h"
#include "XMLTreeCommands.h"
#include "controller/ChangeCode.h"
#include "frame/QtText.h"
#include "model/DVFile.h"
#include "model/XMLNode.h"
#include "output/OutputDocument.h"

struct CXMLTreeModel::Item {
    Item* parent = nullptr;
    int row = 0;
    ItemKind kind = ItemKind::kNode;
    XMLNode* node = nullptr;  // kNode: current after every Sync
    // What the row shows: a head's role and text, or the node's parts.
    int32_t nodeType = 0;
    std::string name;
    std::string value;
    std::string column;
    bool bound = false;
    QString head;
    std::vector<std::unique_ptr<Item>> children;
};

namespace {

// One line for the tree: line breaks of a value shown as spaces.
QString OneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace('\n', ' ');
    return text;
}

template <typename T>
bool Assign(T& target, const T& value) {
    if (target == value) {
        return false;
    }
    target = value;
    return true;
}

}  // namespace

CXMLTreeModel::CXMLTreeModel(CController& controller, QObject* parent)
    : QAbstractItemModel(parent), CControllerObserver<CXMLTreeModel>(controller, true) {
    Reset();
}

CXMLTreeModel::~CXMLTreeModel() = default;

void CXMLTreeModel::OnUpdate(int32_t code) {
    if (code == ChangeCode::kNone) {
        return;
    }
    Sync();
    emit Synced(code);
}

std::vector<CXMLTreeModel::Head> CXMLTreeModel::Heads() const {
    std::vector<Head> heads;
    const DVFile& definition = Controller().Definition();
    if (definition.Settings().includeXmlDeclaration) {
        heads.push_back({0, ToQt(OutputDocument::DeclarationText(definition))});
    }
    if (const std::string doctype = OutputDocument::DoctypeText(definition); !doctype.empty()) {
        heads.push_back({1, ToQt(doctype)});
    }
    if (const std::string sheet = OutputDocument::StylesheetText(definition, true);
        !sheet.empty()) {
        heads.push_back({2, ToQt(sheet)});
    }
    return heads;
}

void CXMLTreeModel::IndexColumns() {
    columnNames_.clear();
    for (const CSCol& column : Controller().Definition().Columns()) {
        columnNames_.emplace(column.id, column.name);
    }
}

bool CXMLTreeModel::Fill(Item& item, XMLNode& node) const {
    item.node = &node;
    bool changed = Assign(item.nodeType, node.GetNodeType());
    changed = Assign(item.name, node.GetName()) || changed;
    changed = Assign(item.value, node.GetValue()) || changed;
    const auto column =
        node.GetSource() != 0 ? columnNames_.find(node.GetSource()) : columnNames_.end();
    const bool bound = column != columnNames_.end();
    changed = Assign(item.bound, bound) || changed;
    changed = Assign(item.column, bound ? column->second : std::string()) || changed;
    return changed;
}

std::unique_ptr<CXMLTreeModel::Item> CXMLTreeModel::BuildNode(Item* parent, int row,
                                                              XMLNode& node) const {
    auto item = std::make_unique<Item>();
    item->parent = parent;
    item->row = row;
    item->kind = ItemKind::kNode;
    Fill(*item, node);
    item->children.reserve(node.ChildCount());
    for (size_t i = 0; i < node.ChildCount(); ++i) {
        item->children.push_back(BuildNode(item.get(), static_cast<int>(i), *node.GetChild(i)));
    }
    return item;
}

std::unique_ptr<CXMLTreeModel::Item> CXMLTreeModel::BuildHead(Item* parent, int row,
                                                              const Head& head) const {
    auto item = std::make_unique<Item>();
    item->parent = parent;
    item->row = row;
    item->kind = ItemKind::kHead;
    item->nodeType = head.role;
    item->head = head.text;
    return item;
}

void CXMLTreeModel::Reset() {
    beginResetModel();
    IndexColumns();
    top_ = std::make_unique<Item>();
    top_->kind = ItemKind::kTop;
    const std::vector<Head> heads = Heads();
    for (const Head& head : heads) {
        top_->children.push_back(
            BuildHead(top_.get(), static_cast<int>(top_->children.size()), head));
    }
    top_->children.push_back(BuildNode(top_.get(), static_cast<int>(top_->children.size()),
                                       Controller().Definition().Root()));
    endResetModel();
}

std::pair<int, int> CXMLTreeModel::AlignRows(Item& parent, int newCount, const SameKey& sameKey,
                                             const Build& build) {
    auto& rows = parent.children;
    const int oldCount = static_cast<int>(rows.size());
    // Rows alike (in their children's count too) at the start and the end.
    auto trim = [&rows, &sameKey](int head, int oldEnd, int newEnd, bool strict) {
        const int shorter = std::min(oldEnd, newEnd) - head;
        int first = 0;
        while (first < shorter &&
               sameKey(*rows[static_cast<size_t>(head + first)], head + first, strict)) {
            ++first;
        }
        int last = 0;
        while (last < shorter - first &&
               sameKey(*rows[static_cast<size_t>(oldEnd - 1 - last)], newEnd - 1 - last, strict)) {
            ++last;
        }
        return std::pair<int, int>(head + first, last);
    };
    auto [head, tail] = trim(0, oldCount, newCount, true);
    if (oldCount - head - tail == newCount - head - tail) {
        return {0, 0};  // every row stays; the caller updates them
    }
    // Between them, rows of the same name stay (a row whose children came
    // or went, say); the rest go, and the new ones come.
    const auto inner = trim(head, oldCount - tail, newCount - tail, false);
    head = inner.first;
    tail += inner.second;
    const int oldMiddle = oldCount - head - tail;
    const int newMiddle = newCount - head - tail;
    const QModelIndex parentIndex = IndexOf(parent);
    if (oldMiddle > 0) {
        beginRemoveRows(parentIndex, head, head + oldMiddle - 1);
        rows.erase(rows.begin() + head, rows.begin() + head + oldMiddle);
        for (size_t i = static_cast<size_t>(head); i < rows.size(); ++i) {
            rows[i]->row = static_cast<int>(i);
        }
        endRemoveRows();
    }
    if (newMiddle > 0) {
        beginInsertRows(parentIndex, head, head + newMiddle - 1);
        std::vector<std::unique_ptr<Item>> built;
        built.reserve(static_cast<size_t>(newMiddle));
        for (int i = 0; i < newMiddle; ++i) {
            built.push_back(build(head + i));
        }
        rows.insert(rows.begin() + head, std::make_move_iterator(built.begin()),
                    std::make_move_iterator(built.end()));
        for (size_t i = static_cast<size_t>(head); i < rows.size(); ++i) {
            rows[i]->row = static_cast<int>(i);
        }
        endInsertRows();
    }
    return {head, head + std::max(newMiddle, 0)};
}

void CXMLTreeModel::SyncNode(Item& item, XMLNode& node) {
    if (Fill(item, node)) {
        const QModelIndex changed = IndexOf(item);
        emit dataChanged(changed, changed);
    }
    const auto built = AlignRows(
        item, static_cast<int>(node.ChildCount()),
        [&node](const Item& row, int i, bool strict) {
            const XMLNode& child = *node.GetChild(static_cast<size_t>(i));
            return row.nodeType == child.GetNodeType() && row.name == child.GetName() &&
                   (!strict || row.children.size() == child.ChildCount());
        },
        [this, &item, &node](int i) {
            return BuildNode(&item, i, *node.GetChild(static_cast<size_t>(i)));
        });
    for (size_t i = 0; i < node.ChildCount(); ++i) {
        const int row = static_cast<int>(i);
        if (row < built.first || row >= built.second) {
            SyncNode(*item.children[i], *node.GetChild(i));
        }
    }
}

void CXMLTreeModel::Sync() {
    syncing_ = true;
    IndexColumns();
    const std::vector<Head> heads = Heads();
    const int headCount = static_cast<int>(heads.size());
    // The document node is the top item's last row, after the heads.
    const auto built = AlignRows(
        *top_, headCount + 1,
        [&heads, headCount](const Item& row, int i, bool) {
            return i < headCount ? row.kind == ItemKind::kHead &&
                                       row.nodeType == heads[static_cast<size_t>(i)].role
                                 : row.kind == ItemKind::kNode;
        },
        [this, &heads, headCount](int i) {
            return i < headCount ? BuildHead(top_.get(), i, heads[static_cast<size_t>(i)])
                                 : BuildNode(top_.get(), i, Controller().Definition().Root());
        });
    for (int i = 0; i < headCount; ++i) {
        Item& item = *top_->children[static_cast<size_t>(i)];
        if ((i < built.first || i >= built.second) &&
            Assign(item.head, heads[static_cast<size_t>(i)].text)) {
            const QModelIndex changed = IndexOf(item);
            emit dataChanged(changed, changed);
        }
    }
    if (headCount < built.first || headCount >= built.second) {
        SyncNode(*top_->children.back(), Controller().Definition().Root());
    }
    syncing_ = false;
}

CXMLTreeModel::Item* CXMLTreeModel::ItemOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) {
        return nullptr;
    }
    return static_cast<Item*>(index.internalPointer());
}

QModelIndex CXMLTreeModel::IndexOf(Item& item) const {
    if (!item.parent) {
        return createIndex(0, 0, &item);
    }
    return createIndex(item.row, 0, &item);
}

XMLNode* CXMLTreeModel::NodeFromIndex(const QModelIndex& index) const {
    const Item* item = ItemOf(index);
    if (syncing_ || !item || item->kind != ItemKind::kNode) {
        return nullptr;
    }
    return item->node;
}

QModelIndex CXMLTreeModel::IndexForNode(const XMLNode* node) const {
    if (!node || syncing_) {
        return {};
    }
    // The child positions from the document node down to node.
    std::vector<size_t> path;
    const XMLNode* at = node;
    for (const XMLNode* parent = at->GetParent(); parent; at = parent, parent = at->GetParent()) {
        const auto& siblings = parent->Children();
        size_t i = 0;
        while (i < siblings.size() && siblings[i].get() != at) {
            ++i;
        }
        if (i == siblings.size()) {
            return {};
        }
        path.push_back(i);
    }
    if (at != &Controller().Definition().Root()) {
        return {};
    }
    Item* item = top_->children.back().get();
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        if (*it >= item->children.size()) {
            return {};
        }
        item = item->children[*it].get();
    }
    return item->node == node ? IndexOf(*item) : QModelIndex();
}

QModelIndex CXMLTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    if (!parent.isValid()) {
        return row == 0 ? createIndex(0, 0, top_.get()) : QModelIndex();
    }
    const Item* item = ItemOf(parent);
    if (!item || parent.column() != 0 || static_cast<size_t>(row) >= item->children.size()) {
        return {};
    }
    return createIndex(row, 0, item->children[static_cast<size_t>(row)].get());
}

QModelIndex CXMLTreeModel::parent(const QModelIndex& child) const {
    const Item* item = ItemOf(child);
    if (!item || !item->parent) {
        return {};
    }
    return IndexOf(*item->parent);
}

int CXMLTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return 1;
    }
    const Item* item = ItemOf(parent);
    if (!item || parent.column() != 0) {
        return 0;
    }
    return static_cast<int>(item->children.size());
}

int CXMLTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QList<QPair<QString, int>> CXMLTreeModel::Segments(const Item& item) const {
    QList<QPair<QString, int>> segments;
    const QString name = ToQt(item.name);
    const bool attribute = item.nodeType == XMLNode::kAttribute;
    if (attribute) {
        segments << qMakePair(name, int(kName)) << qMakePair(QStringLiteral("=\""), int(kMarkup));
    } else if (item.nodeType == XMLNode::kValue) {
        segments << qMakePair(name, int(kName));
    } else {
        segments << qMakePair(QStringLiteral("<"), int(kMarkup)) << qMakePair(name, int(kName))
                 << qMakePair(QStringLiteral(">"), int(kMarkup));
    }
    if (item.bound) {
        const QString columnName = ToQt(item.column);
        segments << qMakePair(attribute ? columnName : ' ' + columnName, int(kColumn));
    } else if (!item.value.empty()) {
        segments << qMakePair(OneLine(ToQt(item.value)), int(kValue));
    }
    if (attribute) {
        segments << qMakePair(QStringLiteral("\""), int(kMarkup));
    }
    return segments;
}

QList<QPair<QString, int>> CXMLTreeModel::NodeSegments(const XMLNode& node) const {
    Item item;
    item.nodeType = node.GetNodeType();
    item.name = node.GetName();
    item.value = node.GetValue();
    const DVFile& definition = Controller().Definition();
    const int32_t column =
        node.GetSource() != 0 ? definition.ColumnIndexById(node.GetSource()) : -1;
    if (column >= 0) {
        item.bound = true;
        item.column = definition.Columns()[static_cast<size_t>(column)].name;
    }
    return Segments(item);
}

QString CXMLTreeModel::Join(const QList<QPair<QString, int>>& segments) {
    QString text;
    for (const auto& segment : segments) {
        text += segment.first;
    }
    return text;
}

QVariant CXMLTreeModel::data(const QModelIndex& index, int role) const {
    const Item* item = ItemOf(index);
    if (!item || (role != Qt::DisplayRole && role != kSegmentsRole)) {
        return {};
    }
    QList<QPair<QString, int>> segments;
    switch (item->kind) {
        case ItemKind::kTop:
            segments << qMakePair(tr("XML Schema"), int(kHead));
            break;
        case ItemKind::kHead:
            segments << qMakePair(item->head, int(kMarkup));
            break;
        case ItemKind::kNode:
            segments = Segments(*item);
            break;
    }
    if (role == Qt::DisplayRole) {
        return Join(segments);
    }
    QVariantList list;
    for (const auto& segment : segments) {
        list << QVariant::fromValue(QVariantList{segment.first, segment.second});
    }
    return list;
}

Qt::ItemFlags CXMLTreeModel::flags(const QModelIndex& index) const {
    const Item* item = ItemOf(index);
    if (!item) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (item->kind == ItemKind::kNode) {
        flags |= Qt::ItemIsDropEnabled;
        // The document node stays where it is.
        if (item->parent != top_.get()) {
            flags |= Qt::ItemIsDragEnabled;
        }
    }
    return flags;
}

QStringList CXMLTreeModel::mimeTypes() const {
    return {QString::fromLatin1(kNodeMimeType), QString::fromLatin1(ColumnDrag::kMimeType)};
}

QMimeData* CXMLTreeModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) {
        return nullptr;
    }
    const XMLNode* node = NodeFromIndex(indexes.first());
    if (!node) {
        return nullptr;
    }
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kNodeMimeType),
                  QByteArray::fromStdString(XMLTreeCommands::PathOf(node)));
    return data;
}
