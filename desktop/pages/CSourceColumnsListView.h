#pragma once

#include <QTreeWidget>
#include <functional>

class DVFile;

// "Source Columns": name, width, type, skip rule, case and default value of
// every column. A double click, Enter or Properties (context menu) opens the
// current column's sheet. Columns dragged from the list carry their ids
// (ColumnDrag), each row's id also under Qt::UserRole. Compact lists show
// the names only.
class CSourceColumnsListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit CSourceColumnsListView(QWidget* parent = nullptr, bool compact = false);

    void Refresh(const DVFile& definition);
    void SetPropertiesHandler(std::function<void(int columnIndex)> handler);
    // The current column's index; -1 when there is none.
    int CurrentColumn() const;
    // Opens the current column's sheet (the first column's when none is
    // current); false when the list is empty.
    bool OpenCurrent();
    QAction* PropertiesAction() const noexcept { return propertiesAction_; }
    // The texts of one column's row, in the list's column order.
    static QStringList RowTexts(const class CSCol& column);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    std::function<void(int)> properties_;
    QAction* propertiesAction_;
};
