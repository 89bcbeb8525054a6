#pragma once

#include <QTreeWidget>
#include <functional>

class DVFile;

// "Source Columns": name, width, type, skip rule, case and default value of
// every column. A double click (or Properties) opens the column's sheet.
class CSourceColumnsListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit CSourceColumnsListView(QWidget* parent = nullptr);

    void Refresh(const DVFile& definition);
    void SetPropertiesHandler(std::function<void(int columnIndex)> handler);
    // The texts of one column's row, in the list's column order.
    static QStringList RowTexts(const class CSCol& column);

private:
    std::function<void(int)> properties_;
};
