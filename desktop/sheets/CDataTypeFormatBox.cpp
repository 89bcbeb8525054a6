#include "CDataTypeFormatBox.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "CFormatDateTimeDlg.h"
#include "CFormatNumberDlg.h"
#include "CFormatTextDlg.h"
#include "model/RegionalSettings.h"

void CDataTypeFormatBox::SetRegionalSetting(const std::string& setting) {
    const std::shared_ptr<const RegionalSettings> settings = RegionalSettings::For(setting);
    number_->SetRegionalSettings(settings);
    date_->SetRegionalSettings(settings);
}

CDataTypeFormatBox::CDataTypeFormatBox(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* typeBox = new QGroupBox(tr("&Data Type"), this);
    auto* typeLayout = new QHBoxLayout(typeBox);
    type_ = new QButtonGroup(this);
    const std::pair<const char*, int> types[] = {{"&Text", DataTypeProperties::kText},
                                                 {"&Number", DataTypeProperties::kNumber},
                                                 {"&Date/Time", DataTypeProperties::kDateTime}};
    for (auto [label, id] : types) {
        auto* button = new QRadioButton(tr(label), typeBox);
        type_->addButton(button, id);
        typeLayout->addWidget(button);
    }
    typeLayout->addStretch(1);
    layout->addWidget(typeBox);

    auto* formatBox = new QGroupBox(tr("&Formatting Options"), this);
    auto* formatLayout = new QVBoxLayout(formatBox);
    panels_ = new QStackedWidget(formatBox);
    text_ = new CFormatTextDlg(panels_);
    number_ = new CFormatNumberDlg(panels_);
    date_ = new CFormatDateTimeDlg(panels_);
    panels_->addWidget(text_);
    panels_->addWidget(number_);
    panels_->addWidget(date_);
    formatLayout->addWidget(panels_);
    layout->addWidget(formatBox, 1);
    // Toggled, not clicked: arrow keys move the choice too.
    connect(type_, &QButtonGroup::idToggled, this, [this](int type, bool checked) {
        if (checked) {
            ShowType(type);
        }
    });
}

void CDataTypeFormatBox::ShowType(int type) {
    panels_->setCurrentIndex(type >= 0 && type <= 2 ? type : 0);
}

QWidget* CDataTypeFormatBox::CurrentPanel() const {
    return panels_->currentWidget();
}

void CDataTypeFormatBox::Load(const DataTypeProperties& properties) {
    loaded_ = properties;
    const int type = properties.dataType >= 0 && properties.dataType <= 2 ? properties.dataType : 0;
    type_->button(type)->setChecked(true);
    text_->Load(properties);
    number_->Load(properties);
    date_->Load(properties);
    ShowType(type);
}

DataTypeProperties CDataTypeFormatBox::Edited() const {
    DataTypeProperties edited = loaded_;
    edited.dataType = type_->checkedId() < 0 ? DataTypeProperties::kText : type_->checkedId();
    // Only the chosen type's panel counts; the others keep what was loaded.
    switch (edited.dataType) {
        case DataTypeProperties::kNumber:
            number_->Store(edited);
            break;
        case DataTypeProperties::kDateTime:
            date_->Store(edited);
            break;
        default:
            text_->Store(edited);
            break;
    }
    return edited;
}
