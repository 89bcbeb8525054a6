#include "CSourceOptionsPropSheet.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/HelpTopics.h"

CSourceOptionsPropSheet::CSourceOptionsPropSheet(SheetContext& context, QWidget* parent)
    : CPropertySheet(tr("Source Options"), context, ChangeCode::kNone,
                     HelpTopic::kSourceOptionsSheet, parent) {
    AddPage(new CSourceOptionsPropPage(context, this));
}

CSourceOptionsPropPage::CSourceOptionsPropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("Source Options"), parent), context_(context) {
    const DVFileSettings& settings = context.controller.Definition().Settings();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("When source columns are added or removed:"), this));
    remove_ = new QCheckBox(tr("&Remove XML nodes when columns are removed"), this);
    add_ = new QCheckBox(tr("&Add XML nodes when columns are added"), this);
    link_ = new QCheckBox(tr("&link new columns to XML nodes with the same name"), this);
    remove_->setChecked(settings.autoremovenodes);
    add_->setChecked(settings.autoaddnodes);
    link_->setChecked(settings.autolinknodes);
    for (QCheckBox* box : {remove_, add_, link_}) {
        layout->addWidget(box);
    }
    layout->addStretch(1);
}

bool CSourceOptionsPropPage::Apply() {
    DVFile& definition = context_.controller.Definition();
    bool changed = definition.SetAutoRemoveNodes(remove_->isChecked());
    changed = definition.SetAutoAddNodes(add_->isChecked()) || changed;
    changed = definition.SetAutoLinkNodes(link_->isChecked()) || changed;
    return changed;
}
