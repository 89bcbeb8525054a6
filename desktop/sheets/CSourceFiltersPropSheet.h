#pragma once

#include <array>

#include "CPropertySheet.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QSpinBox;

// "Source Filters": three conditions joined by And / Or, and the first and
// last row to convert.
class CSourceFiltersPropSheet : public CPropertySheet {
    Q_OBJECT

public:
    explicit CSourceFiltersPropSheet(SheetContext& context, QWidget* parent = nullptr);
};

class CSourceFiltersPropPage : public CPropertyPage {
    Q_OBJECT

public:
    static constexpr int kRows = 3;

    explicit CSourceFiltersPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    QComboBox* ColumnBox(int row) const { return columns_[static_cast<size_t>(row)]; }
    QComboBox* ConditionBox(int row) const { return conditions_[static_cast<size_t>(row)]; }
    QLineEdit* ValueEdit(int row) const { return values_[static_cast<size_t>(row)]; }
    // The join of row + 1 to row: 1 And, 0 Or.
    QButtonGroup* JoinGroup(int row) const { return joins_[static_cast<size_t>(row)]; }
    QSpinBox* FirstRowBox() const noexcept { return firstRow_; }
    QSpinBox* LastRowBox() const noexcept { return lastRow_; }

private:
    SheetContext& context_;
    std::array<QComboBox*, kRows> columns_{};
    std::array<QComboBox*, kRows> conditions_{};
    std::array<QLineEdit*, kRows> values_{};
    std::array<QButtonGroup*, kRows - 1> joins_{};
    QSpinBox* firstRow_;
    QSpinBox* lastRow_;
};
