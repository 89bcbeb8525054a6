#include "CFormatDateTimeDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <ctime>

#include "ExampleBox.h"
#include "base/RunEnvironment.h"
#include "model/DataTypeProperties.h"
#include "model/DateFormat.h"
#include "model/RegionalSettings.h"

CFormatDateTimeDlg::CFormatDateTimeDlg(QWidget* parent) : QWidget(parent), clock_(&Now) {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    sequence_ = new QComboBox(this);
    for (const char* order : {"YMD", "MDY", "DMY", "MYD", "DYM", "YDM"}) {
        sequence_->addItem(QString::fromLatin1(order));
    }
    format_ = new QComboBox(this);
    format_->setEditable(true);
    format_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* pattern : {"YYYY-MM-DD", "MM/DD/YY", "MM-DD-YY", "MM/DD/YYYY", "MM-DD-YYYY",
                                "DD/MM/YY", "DD/MM/YYYY", "DD-MM-YY", "DD-MM-YYYY", "DD.MM.YY",
                                "DD.MM.YYYY", "MMMM DDD YYYY", "WWW MMMM DDD, YYYY"}) {
        format_->addItem(QString::fromLatin1(pattern));
    }
    form->addRow(tr("&Sequence:"), sequence_);
    form->addRow(tr("Format:"), format_);
    layout->addLayout(form);
    example_ = AddExampleBox(this, layout, QStringLiteral("dateExample"));
    // Every keystroke in the pattern refreshes the example.
    connect(format_, &QComboBox::editTextChanged, this, &CFormatDateTimeDlg::UpdateExample);
    UpdateExample();
}

DateTimeParts CFormatDateTimeDlg::Now() {
    return LocalTime(std::time(nullptr));
}

void CFormatDateTimeDlg::SetClock(Clock clock) {
    clock_ = std::move(clock);
    UpdateExample();
}

void CFormatDateTimeDlg::Load(const DataTypeProperties& properties) {
    sequence_->setCurrentIndex(
        properties.dateSequence >= 0 && properties.dateSequence < 6 ? properties.dateSequence : 0);
    format_->setEditText(QString::fromStdString(properties.format));
    UpdateExample();
}

void CFormatDateTimeDlg::Store(DataTypeProperties& properties) const {
    properties.dateSequence = sequence_->currentIndex();
    properties.format = format_->currentText().toStdString();
}

QString CFormatDateTimeDlg::ExampleText() const {
    return example_->text();
}

void CFormatDateTimeDlg::SetRegionalSettings(std::shared_ptr<const RegionalSettings> settings) {
    regional_ = std::move(settings);
    UpdateExample();
}

void CFormatDateTimeDlg::UpdateExample() {
    const RegionalSettings::Scope scope(regional_ ? *regional_ : RegionalSettings::User());
    example_->setText(
        QString::fromStdString(FormatDate(clock_(), format_->currentText().toStdString())));
}
