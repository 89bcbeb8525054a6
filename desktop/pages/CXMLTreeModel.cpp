#include "CXMLTreeModel.h"

#include <QMimeData>

#include "XMLTreeCommands.h"
#include "controller/ChangeCode.h"
#include "frame/QtText.h"
#include "model/DVFile.h"
#include "model/XMLNode.h"
#include "output/OutputDocument.h"

namespace {

// One line for the tree: line breaks of a value shown as spaces.
QString OneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace('\n', ' ');
    return text;
}

}  // namespace

CXMLTreeModel::CXMLTreeModel(CController& controller, QObject* parent)
    : QAbstractItemModel(parent), CControllerObserver<CXMLTreeModel>(controller, true) {
    Reset();
}

void CXMLTreeModel::OnUpdate(int32_t code) {
    if (code != ChangeCode::kNone) {
        Reset();
    }
}

void CXMLTreeModel::Reset() {
    beginResetModel();
    heads_.clear();
    const DVFile& definition = Controller().Definition();
    if (definition.Settings().includeXmlDeclaration) {
        heads_ << ToQt(OutputDocument::DeclarationText(definition));
    }
    if (const std::string doctype = OutputDocument::DoctypeText(definition); !doctype.empty()) {
        heads_ << ToQt(doctype);
    }
    if (const std::string sheet = OutputDocument::StylesheetText(definition, true);
        !sheet.empty()) {
        heads_ << ToQt(sheet);
    }
    endResetModel();
}

CXMLTreeModel::ItemKind CXMLTreeModel::KindOf(const QModelIndex& index) const {
    const void* pointer = index.internalPointer();
    if (pointer == &topTag_) {
        return ItemKind::kTop;
    }
    if (pointer >= static_cast<const void*>(headTags_) &&
        pointer < static_cast<const void*>(headTags_ + 3)) {
        return ItemKind::kHead;
    }
    return ItemKind::kNode;
}

XMLNode* CXMLTreeModel::NodeFromIndex(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || KindOf(index) != ItemKind::kNode) {
        return nullptr;
    }
    return static_cast<XMLNode*>(index.internalPointer());
}

QModelIndex CXMLTreeModel::IndexForNode(const XMLNode* node) const {
    if (!node) {
        return {};
    }
    const XMLNode* parent = node->GetParent();
    if (!parent) {
        // Only the document node has no parent among the nodes shown.
        if (node != &Controller().Definition().Root()) {
            return {};
        }
        return createIndex(HeadCount(), 0, const_cast<XMLNode*>(node));
    }
    const auto& siblings = parent->Children();
    for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == node) {
            return createIndex(static_cast<int>(i), 0, const_cast<XMLNode*>(node));
        }
    }
    return {};
}

QModelIndex CXMLTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    if (!parent.isValid()) {
        return row == 0 ? createIndex(0, 0, const_cast<char*>(&topTag_)) : QModelIndex();
    }
    if (parent.model() != this) {
        return {};
    }
    switch (KindOf(parent)) {
        case ItemKind::kTop:
            if (row < HeadCount()) {
                return createIndex(row, 0, const_cast<char*>(&headTags_[row]));
            }
            if (row == HeadCount()) {
                return createIndex(row, 0,
                                   const_cast<XMLRootNode*>(&Controller().Definition().Root()));
            }
            return {};
        case ItemKind::kHead:
            return {};
        case ItemKind::kNode: {
            XMLNode* node = NodeFromIndex(parent);
            if (static_cast<size_t>(row) >= node->ChildCount()) {
                return {};
            }
            return createIndex(row, 0, node->GetChild(static_cast<size_t>(row)));
        }
    }
    return {};
}

QModelIndex CXMLTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.model() != this) {
        return {};
    }
    switch (KindOf(child)) {
        case ItemKind::kTop:
            return {};
        case ItemKind::kHead:
            return TopIndex();
        case ItemKind::kNode: {
            XMLNode* node = NodeFromIndex(child);
            if (!node->GetParent()) {
                return TopIndex();
            }
            return IndexForNode(node->GetParent());
        }
    }
    return {};
}

int CXMLTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return 1;
    }
    if (parent.model() != this || parent.column() != 0) {
        return 0;
    }
    switch (KindOf(parent)) {
        case ItemKind::kTop:
            return HeadCount() + 1;
        case ItemKind::kHead:
            return 0;
        case ItemKind::kNode:
            return static_cast<int>(NodeFromIndex(parent)->ChildCount());
    }
    return 0;
}

int CXMLTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QList<QPair<QString, int>> CXMLTreeModel::NodeSegments(const XMLNode& node) const {
    QList<QPair<QString, int>> segments;
    const int32_t kind = node.GetNodeType();
    const QString name = ToQt(node.GetName());
    const bool attribute = kind == XMLNode::kAttribute;
    if (attribute) {
        segments << qMakePair(name, int(kName)) << qMakePair(QStringLiteral("=\""), int(kMarkup));
    } else if (kind == XMLNode::kValue) {
        segments << qMakePair(name, int(kName));
    } else {
        segments << qMakePair(QStringLiteral("<"), int(kMarkup)) << qMakePair(name, int(kName))
                 << qMakePair(QStringLiteral(">"), int(kMarkup));
    }
    const DVFile& definition = Controller().Definition();
    const int32_t column =
        node.GetSource() != 0 ? definition.ColumnIndexById(node.GetSource()) : -1;
    if (column >= 0) {
        const QString columnName = ToQt(definition.Columns()[static_cast<size_t>(column)].name);
        segments << qMakePair(attribute ? columnName : ' ' + columnName, int(kColumn));
    } else if (!node.GetValue().empty()) {
        segments << qMakePair(OneLine(ToQt(node.GetValue())), int(kValue));
    }
    if (attribute) {
        segments << qMakePair(QStringLiteral("\""), int(kMarkup));
    }
    return segments;
}

QString CXMLTreeModel::Join(const QList<QPair<QString, int>>& segments) {
    QString text;
    for (const auto& segment : segments) {
        text += segment.first;
    }
    return text;
}

QVariant CXMLTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.model() != this) {
        return {};
    }
    QList<QPair<QString, int>> segments;
    switch (KindOf(index)) {
        case ItemKind::kTop:
            segments << qMakePair(tr("XML Schema"), int(kHead));
            break;
        case ItemKind::kHead:
            segments << qMakePair(heads_.value(index.row()), int(kMarkup));
            break;
        case ItemKind::kNode:
            segments = NodeSegments(*NodeFromIndex(index));
            break;
    }
    if (role == Qt::DisplayRole) {
        return Join(segments);
    }
    if (role == kSegmentsRole) {
        QVariantList list;
        for (const auto& segment : segments) {
            list << QVariant::fromValue(QVariantList{segment.first, segment.second});
        }
        return list;
    }
    return {};
}

Qt::ItemFlags CXMLTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (const XMLNode* node = NodeFromIndex(index)) {
        flags |= Qt::ItemIsDropEnabled;
        if (node->GetParent()) {
            flags |= Qt::ItemIsDragEnabled;
        }
    }
    return flags;
}

QStringList CXMLTreeModel::mimeTypes() const {
    return {QString::fromLatin1(kNodeMimeType)};
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
