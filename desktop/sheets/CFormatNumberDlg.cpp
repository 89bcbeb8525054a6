#include "CFormatNumberDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ExampleBox.h"
#include "model/DataTypeProperties.h"
#include "model/NumberFormat.h"
#include "model/RegionalSettings.h"

CFormatNumberDlg::CFormatNumberDlg(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    decimals_ = new QComboBox(this);
    decimals_->addItem(QString());  // as many as the value has
    for (int i = 0; i <= 9; ++i) {
        decimals_->addItem(QString::number(i));
    }
    form->addRow(tr("Decimal Places:"), decimals_);
    layout->addLayout(form);
    thousands_ = new QCheckBox(tr("&Thousands Separator"), this);
    currency_ = new QCheckBox(tr("&Currency Symbol"), this);
    layout->addWidget(thousands_);
    layout->addWidget(currency_);
    example_ = AddExampleBox(this, layout, QStringLiteral("numberExample"));
    connect(decimals_, &QComboBox::currentIndexChanged, this, &CFormatNumberDlg::UpdateExample);
    connect(thousands_, &QCheckBox::toggled, this, &CFormatNumberDlg::UpdateExample);
    connect(currency_, &QCheckBox::toggled, this, &CFormatNumberDlg::UpdateExample);
    UpdateExample();
}

int CFormatNumberDlg::Precision() const {
    return decimals_->currentIndex() <= 0 ? -1 : decimals_->currentIndex() - 1;
}

void CFormatNumberDlg::Load(const DataTypeProperties& properties) {
    decimals_->setCurrentIndex(
        properties.precision >= 0 && properties.precision <= 9 ? properties.precision + 1 : 0);
    thousands_->setChecked(properties.thousands);
    currency_->setChecked(properties.currency);
    UpdateExample();
}

void CFormatNumberDlg::Store(DataTypeProperties& properties) const {
    properties.precision = Precision();
    properties.thousands = thousands_->isChecked();
    properties.currency = currency_->isChecked();
}

QString CFormatNumberDlg::ExampleText() const {
    return example_->text();
}

void CFormatNumberDlg::SetRegionalSettings(std::shared_ptr<const RegionalSettings> settings) {
    regional_ = std::move(settings);
    UpdateExample();
}

void CFormatNumberDlg::UpdateExample() {
    const RegionalSettings::Scope scope(regional_ ? *regional_ : RegionalSettings::User());
    example_->setText(QString::fromStdString(
        FormatNumber(kExampleValue, Precision(), thousands_->isChecked(), currency_->isChecked())));
}
