#include "CSourceColumnsListView.h"

#include <QAction>
#include <QHeaderView>
#include <QMimeData>
#include <algorithm>

#include "ColumnDrag.h"

#include "model/DVFile.h"

CSourceColumnsListView::CSourceColumnsListView(QWidget* parent, bool compact)
    : QTreeWidget(parent) {
    setObjectName(QStringLiteral("SourceColumns"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setHeaderLabels({tr("Column Name"), tr("Width"), tr("Type"), tr("Skip If"), tr("Case"),
                     tr("Default Value")});
    header()->setStretchLastSection(true);
    setColumnWidth(0, 180);
    setColumnWidth(1, 60);
    setColumnWidth(2, 90);
    setColumnWidth(3, 90);
    setColumnWidth(4, 70);
    if (compact) {
        for (int column = 1; column < columnCount(); ++column) {
            hideColumn(column);
        }
        setHeaderHidden(true);
    }
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (properties_ && item) {
            properties_(indexOfTopLevelItem(item));
        }
    });
    propertiesAction_ = new QAction(tr("&Properties..."), this);
    propertiesAction_->setEnabled(false);
    addAction(propertiesAction_);
    // Compact lists open no sheet.
    setContextMenuPolicy(compact ? Qt::NoContextMenu : Qt::ActionsContextMenu);
    connect(propertiesAction_, &QAction::triggered, this, &CSourceColumnsListView::OpenCurrent);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        propertiesAction_->setEnabled(current != nullptr);
    });
}

int CSourceColumnsListView::CurrentColumn() const {
    QTreeWidgetItem* item = currentItem();
    return item ? indexOfTopLevelItem(item) : -1;
}

bool CSourceColumnsListView::OpenCurrent() {
    if (topLevelItemCount() == 0) {
        return false;
    }
    if (CurrentColumn() < 0) {
        setCurrentItem(topLevelItem(0));
    }
    if (properties_) {
        properties_(CurrentColumn());
    }
    return true;
}

void CSourceColumnsListView::SetPropertiesHandler(std::function<void(int)> handler) {
    properties_ = std::move(handler);
}

QStringList CSourceColumnsListView::RowTexts(const CSCol& column) {
    static const char* const kTypes[] = {"Text", "Number", "Date/Time"};
    static const char* const kCases[] = {"", "UPPER", "lower", "Proper"};
    const int type = column.dataType >= 0 && column.dataType <= 2 ? column.dataType : 0;
    const int caseType = column.caseType >= 0 && column.caseType <= 3 ? column.caseType : 0;
    QString skip;
    if (column.skipIfEmpty && column.skipIfZero) {
        skip = tr("Empty/Zero");
    } else if (column.skipIfEmpty) {
        skip = tr("Empty");
    } else if (column.skipIfZero) {
        skip = tr("Zero");
    }
    const QString defaultValue = column.useLastIfEmpty
                                     ? tr("(Use Last Value)")
                                     : QString::fromStdString(column.GetDefaultValue());
    return {QString::fromStdString(column.name),
            QString::number(column.width),
            tr(kTypes[type]),
            skip,
            tr(kCases[caseType]),
            defaultValue};
}

void CSourceColumnsListView::Refresh(const DVFile& definition) {
    const int current = currentIndex().row();
    clear();
    QList<QTreeWidgetItem*> items;
    for (const CSCol& column : definition.Columns()) {
        auto* item = new QTreeWidgetItem(RowTexts(column));
        item->setData(0, Qt::UserRole, column.id);
        items.append(item);
    }
    addTopLevelItems(items);
    if (current >= 0 && current < topLevelItemCount()) {
        setCurrentItem(topLevelItem(current));
    }
}

QStringList CSourceColumnsListView::mimeTypes() const {
    return {QString::fromLatin1(ColumnDrag::kMimeType)};
}

QMimeData* CSourceColumnsListView::mimeData(const QList<QTreeWidgetItem*>& items) const {
    // In list order, whatever order they were selected in.
    std::vector<std::pair<int, int32_t>> rows;
    for (const QTreeWidgetItem* item : items) {
        rows.emplace_back(indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)),
                          item->data(0, Qt::UserRole).toInt());
    }
    std::sort(rows.begin(), rows.end());
    std::vector<int32_t> ids;
    for (const auto& row : rows) {
        ids.push_back(row.second);
    }
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(ColumnDrag::kMimeType), ColumnDrag::Encode(ids));
    return data;
}

void CSourceColumnsListView::startDrag(Qt::DropActions) {
    // A copy: the columns stay in the list.
    QTreeWidget::startDrag(Qt::CopyAction);
}
