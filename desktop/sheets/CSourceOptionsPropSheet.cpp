#include "CSourceOptionsPropSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/HelpTopics.h"
#include "workbench/InstalledLocales.h"

CSourceOptionsPropSheet::CSourceOptionsPropSheet(SheetContext& context, QWidget* parent)
    : CPropertySheet(tr("Source Options"), context, ChangeCode::kNone,
                     HelpTopic::kSourceOptionsSheet, parent) {
    page_ = new CSourceOptionsPropPage(context, this);
    AddPage(page_);
}

void CSourceOptionsPropSheet::AfterApply(bool& changed) {
    (void)changed;
    if (page_->RegionalSettingChanged()) {
        // Every value shown may read differently now.
        SetChangeCode(ChangeCode::kSource);
    }
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

    auto* regionalLabel = new QLabel(tr("Regional &settings for numbers and dates:"), this);
    regional_ = new QComboBox(this);
    regionalLabel->setBuddy(regional_);
    regional_->addItem(tr("The user's (from the environment)"), QString());
    regional_->addItem(tr("Invariant (decimal point, English names, ISO dates)"),
                       QStringLiteral("C"));
    for (const std::string& name : InstalledLocales()) {
        regional_->addItem(QString::fromStdString(name), QString::fromStdString(name));
    }
    const QString current = QString::fromStdString(settings.locale);
    int index = regional_->findData(current);
    if (index < 0) {
        // Named by the definition, but not installed here.
        regional_->addItem(tr("%1 (not installed)").arg(current), current);
        index = regional_->count() - 1;
    }
    regional_->setCurrentIndex(index);
    layout->addSpacing(12);
    layout->addWidget(regionalLabel);
    layout->addWidget(regional_);
    layout->addStretch(1);
}

bool CSourceOptionsPropPage::Apply() {
    DVFile& definition = context_.controller.Definition();
    bool changed = definition.SetAutoRemoveNodes(remove_->isChecked());
    changed = definition.SetAutoAddNodes(add_->isChecked()) || changed;
    changed = definition.SetAutoLinkNodes(link_->isChecked()) || changed;
    regionalChanged_ = definition.SetLocale(regional_->currentData().toString().toStdString());
    return regionalChanged_ || changed;
}
