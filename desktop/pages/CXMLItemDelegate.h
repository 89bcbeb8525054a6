#pragma once

#include <QStyledItemDelegate>

// Draws the XML tree's items in pieces: markup, names, columns and values in
// their own colours. Selected and drop-target items are left to the style.
class CXMLItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    static QColor SegmentColour(int kind, const QPalette& palette);
};
