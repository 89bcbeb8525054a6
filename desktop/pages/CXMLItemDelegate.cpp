#include "CXMLItemDelegate.h"

#include <QApplication>
#include <QPainter>

#include "CXMLTreeModel.h"

QColor CXMLItemDelegate::SegmentColour(int kind, const QPalette& palette) {
    switch (kind) {
        case CXMLTreeModel::kMarkup: return QColor(0x1565C0);
        case CXMLTreeModel::kName: return QColor(0x8E1B1B);
        case CXMLTreeModel::kColumn: return QColor(0x2E7D32);
        case CXMLTreeModel::kValue: return QColor(0x424242);
        default: return palette.color(QPalette::Text);
    }
}

void CXMLItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QVariantList segments = index.data(CXMLTreeModel::kSegmentsRole).toList();
    if (segments.isEmpty() || (option.state & QStyle::State_Selected)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    item.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    painter->save();
    painter->setClipRect(textRect);
    QFont font = option.font;
    int x = textRect.left() + 2;
    for (const QVariant& segment : segments) {
        const QVariantList parts = segment.toList();
        const QString text = parts.value(0).toString();
        const int kind = parts.value(1).toInt();
        font.setBold(kind == CXMLTreeModel::kHead);
        font.setItalic(kind == CXMLTreeModel::kValue);
        painter->setFont(font);
        painter->setPen(SegmentColour(kind, option.palette));
        const QFontMetrics metrics(font);
        painter->drawText(QRect(x, textRect.top(), textRect.right() - x, textRect.height()),
                          Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
        x += metrics.horizontalAdvance(text);
    }
    painter->restore();
}
