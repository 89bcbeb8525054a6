#pragma once

#include <array>

#include "CPropertySheet.h"
#include "model/DVFile.h"

class QComboBox;
class QPushButton;

// "Source Sort Order": up to four sort keys, each a column and a direction
// button that toggles between "Ascending" and "Descending".
class CSourceSortPropSheet : public CPropertySheet {
    Q_OBJECT

public:
    explicit CSourceSortPropSheet(SheetContext& context, QWidget* parent = nullptr);
};

class CSourceSortPropPage : public CPropertyPage {
    Q_OBJECT

public:
    static constexpr int kRows = static_cast<int>(DVFile::kSortSlots);

    explicit CSourceSortPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    QComboBox* ColumnBox(int row) const { return columns_[static_cast<size_t>(row)]; }
    QPushButton* OrderButton(int row) const { return orders_[static_cast<size_t>(row)]; }

private:
    SheetContext& context_;
    std::array<QComboBox*, kRows> columns_{};
    std::array<QPushButton*, kRows> orders_{};
};
