#include "CFormatTextDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/DataTypeProperties.h"

CFormatTextDlg::CFormatTextDlg(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    paragraphs_ = new QCheckBox(tr("&Insert paragraph tags (<p></p>)"), this);
    lineBreaks_ = new QCheckBox(tr("Insert line &break tags (<br/>)"), this);
    layout->addWidget(paragraphs_);
    layout->addWidget(lineBreaks_);
    auto* caseBox = new QGroupBox(tr("&Case conversion"), this);
    auto* caseLayout = new QHBoxLayout(caseBox);
    case_ = new QButtonGroup(this);
    const std::pair<const char*, int> cases[] = {{"&None", DataTypeProperties::kCaseNone},
                                                 {"&Upper", DataTypeProperties::kCaseUpper},
                                                 {"L&ower", DataTypeProperties::kCaseLower},
                                                 {"&Proper", DataTypeProperties::kCaseProper}};
    for (auto [label, id] : cases) {
        auto* button = new QRadioButton(tr(label), caseBox);
        case_->addButton(button, id);
        caseLayout->addWidget(button);
    }
    caseLayout->addStretch(1);
    layout->addWidget(caseBox);
    layout->addStretch(1);
}

void CFormatTextDlg::Load(const DataTypeProperties& properties) {
    paragraphs_->setChecked(properties.insertParagraphTags);
    lineBreaks_->setChecked(properties.insertBrTags);
    QAbstractButton* button = case_->button(properties.caseType);
    (button ? button : case_->button(DataTypeProperties::kCaseNone))->setChecked(true);
}

void CFormatTextDlg::Store(DataTypeProperties& properties) const {
    properties.insertParagraphTags = paragraphs_->isChecked();
    properties.insertBrTags = lineBreaks_->isChecked();
    properties.caseType =
        case_->checkedId() < 0 ? DataTypeProperties::kCaseNone : case_->checkedId();
}
