#include "CSourceFiltersPropSheet.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/HelpTopics.h"

CSourceFiltersPropSheet::CSourceFiltersPropSheet(SheetContext& context, QWidget* parent)
    : CPropertySheet(tr("Source Filters"), context, ChangeCode::kSource, HelpTopic::kFilterSheet,
                     parent) {
    AddPage(new CSourceFiltersPropPage(context, this));
}

CSourceFiltersPropPage::CSourceFiltersPropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("Extract Rows Where"), parent), context_(context) {
    const DVFile& definition = context.controller.Definition();
    const auto& filters = definition.Filters();
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Column:"), this), 0, 0);
    grid->addWidget(new QLabel(tr("Condition:"), this), 0, 1);
    grid->addWidget(new QLabel(tr("Value:"), this), 0, 2);
    for (int row = 0; row < kRows; ++row) {
        const size_t i = static_cast<size_t>(row);
        const DVFilter* filter = i < filters.size() ? &filters[i] : nullptr;
        auto* column = new QComboBox(this);
        column->addItem(QString(), 0);
        for (const CSCol& c : definition.Columns()) {
            column->addItem(QString::fromStdString(c.name), c.id);
        }
        const int found = filter ? column->findData(filter->ColumnId()) : 0;
        column->setCurrentIndex(found < 0 ? 0 : found);
        // Only the operators are listed; a row without one shows no entry.
        auto* condition = new QComboBox(this);
        for (int code = DVFilter::kEquals; code <= DVFilter::kNotContains; ++code) {
            condition->addItem(tr(DVFilter::FindOperator(code)->name), code);
        }
        condition->setCurrentIndex(condition->findData(filter ? filter->OperatorCode() : 0));
        auto* value =
            new QLineEdit(filter ? QString::fromStdString(filter->Value()) : QString(), this);
        // One heading names three rows of fields.
        column->setAccessibleName(tr("Column %1").arg(row + 1));
        condition->setAccessibleName(tr("Condition %1").arg(row + 1));
        value->setAccessibleName(tr("Value %1").arg(row + 1));
        columns_[i] = column;
        conditions_[i] = condition;
        values_[i] = value;
        const int gridRow = 1 + 2 * row;
        grid->addWidget(column, gridRow, 0);
        grid->addWidget(condition, gridRow, 1);
        grid->addWidget(value, gridRow, 2);
        if (row + 1 < kRows) {
            const DVFilter* next = i + 1 < filters.size() ? &filters[i + 1] : nullptr;
            auto* joinRow = new QHBoxLayout;
            auto* andButton = new QRadioButton(tr("&And"), this);
            auto* orButton = new QRadioButton(tr("&Or"), this);
            auto* group = new QButtonGroup(this);
            group->addButton(andButton, 1);
            group->addButton(orButton, 0);
            (next && !next->IsAnd() ? orButton : andButton)->setChecked(true);
            joinRow->addWidget(andButton);
            joinRow->addWidget(orButton);
            joinRow->addStretch(1);
            grid->addLayout(joinRow, gridRow + 1, 0, 1, 3);
            joins_[i] = group;
        }
    }
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    auto* rows = new QFormLayout;
    firstRow_ = new QSpinBox(this);
    lastRow_ = new QSpinBox(this);
    for (QSpinBox* box : {firstRow_, lastRow_}) {
        box->setRange(0, std::numeric_limits<int32_t>::max());
        box->setSpecialValueText(tr("(all)"));
    }
    firstRow_->setValue(definition.Settings().firstrow);
    lastRow_->setValue(definition.Settings().lastrow);
    rows->addRow(tr("&First row:"), firstRow_);
    rows->addRow(tr("&Last row:"), lastRow_);
    layout->addLayout(rows);
    layout->addStretch(1);
}

bool CSourceFiltersPropPage::Apply() {
    DVFile& definition = context_.controller.Definition();
    auto& filters = definition.Filters();
    bool changed = false;
    for (int row = 0; row < kRows; ++row) {
        const size_t i = static_cast<size_t>(row);
        const int32_t column = columns_[i]->currentData().toInt();
        const int32_t condition = conditions_[i]->currentIndex() < 0
                                      ? DVFilter::kNone
                                      : conditions_[i]->currentData().toInt();
        const std::string value = values_[i]->text().toStdString();
        const bool isAnd = row == 0 || joins_[i - 1]->checkedId() != 0;
        if (i >= filters.size()) {
            // Rows the definition does not have yet are only made for a setting.
            if (column == 0 && condition == 0 && value.empty() && isAnd) {
                continue;
            }
            filters.resize(i + 1);
            changed = true;
        }
        DVFilter& filter = filters[i];
        changed = filter.SetColumnId(column) || changed;
        changed = filter.SetOperator(condition) || changed;
        changed = filter.SetValue(value) || changed;
        changed = filter.SetJoin(isAnd) || changed;
    }
    changed = definition.SetFirstRow(firstRow_->value()) || changed;
    changed = definition.SetLastRow(lastRow_->value()) || changed;
    return changed;
}
