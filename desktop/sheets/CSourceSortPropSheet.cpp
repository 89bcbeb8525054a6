#include "CSourceSortPropSheet.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/HelpTopics.h"

namespace {
const char* const kAscending = "Ascending";
const char* const kDescending = "Descending";
}  // namespace

CSourceSortPropSheet::CSourceSortPropSheet(SheetContext& context, QWidget* parent)
    : CPropertySheet(tr("Source Sort Order"), context, ChangeCode::kSource, HelpTopic::kSortSheet,
                     parent) {
    AddPage(new CSourceSortPropPage(context, this));
}

CSourceSortPropPage::CSourceSortPropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("Order By"), parent), context_(context) {
    const DVFile& definition = context.controller.Definition();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Select columns to use for sorting your source data"), this));
    auto* grid = new QGridLayout;
    for (int row = 0; row < kRows; ++row) {
        const size_t i = static_cast<size_t>(row);
        const std::optional<SortOrder>& slot = definition.SortOrders()[i];
        auto* label = new QLabel(tr("&Column:"), this);
        auto* column = new QComboBox(this);
        column->addItem(QString(), 0);
        for (const CSCol& c : definition.Columns()) {
            column->addItem(QString::fromStdString(c.name), c.id);
        }
        const int found = slot ? column->findData(slot->columnId) : 0;
        column->setCurrentIndex(found < 0 ? 0 : found);
        label->setBuddy(column);
        auto* order =
            new QPushButton(tr(slot && slot->descending ? kDescending : kAscending), this);
        connect(order, &QPushButton::clicked, order, [order] {
            order->setText(order->text() == tr(kAscending) ? tr(kDescending) : tr(kAscending));
        });
        grid->addWidget(label, row, 0);
        grid->addWidget(column, row, 1);
        grid->addWidget(order, row, 2);
        columns_[i] = column;
        orders_[i] = order;
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
}

bool CSourceSortPropPage::Apply() {
    auto& sortSlots = context_.controller.Definition().SortOrders();
    bool changed = false;
    for (int row = 0; row < kRows; ++row) {
        const size_t i = static_cast<size_t>(row);
        const int32_t column = columns_[i]->currentData().toInt();
        std::optional<SortOrder> wanted;
        if (column != 0) {
            wanted = SortOrder{column, orders_[i]->text() == tr(kDescending)};
        }
        if (sortSlots[i] != wanted) {
            sortSlots[i] = wanted;
            changed = true;
        }
    }
    return changed;
}
