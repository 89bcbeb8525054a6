#include "CDelimitedTextFileSourcePageDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "CFileNameField.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "workbench/SourceSettings.h"

namespace {
constexpr int kMaxOtherDelimiters = 10;
}  // namespace

CDelimitedTextFileSourcePageDlg::CDelimitedTextFileSourcePageDlg(CController& controller,
                                                                 IPrompter& prompter,
                                                                 QWidget* parent)
    : QWidget(parent), controller_(controller) {
    auto* layout = new QVBoxLayout(this);
    auto* fileLabel = new QLabel(tr("Delimited text &file name:"), this);
    file_ = new CFileNameField(prompter, tr("Text Files (*.txt *.csv);;All Files (*)"), {},
                               CFileNameField::Mode::kOpen, this);
    fileLabel->setBuddy(file_->Edit());
    layout->addWidget(fileLabel);
    layout->addWidget(file_);

    auto* delimiters = new QGroupBox(tr("Column delimiters:"), this);
    auto* grid = new QGridLayout(delimiters);
    tab_ = new QCheckBox(tr("&Tab"), delimiters);
    semicolon_ = new QCheckBox(tr("Se&mi Colon"), delimiters);
    comma_ = new QCheckBox(tr("&Comma"), delimiters);
    space_ = new QCheckBox(tr("&Space"), delimiters);
    other_ = new QCheckBox(tr("&Other:"), delimiters);
    otherText_ = new QLineEdit(delimiters);
    otherText_->setMaxLength(kMaxOtherDelimiters);
    otherText_->setAccessibleName(tr("Other delimiters"));
    otherText_->setMaximumWidth(90);
    grid->addWidget(tab_, 0, 0);
    grid->addWidget(semicolon_, 0, 1);
    grid->addWidget(comma_, 0, 2);
    grid->addWidget(space_, 1, 0);
    grid->addWidget(other_, 1, 1);
    grid->addWidget(otherText_, 1, 2);
    grid->setColumnStretch(3, 1);
    layout->addWidget(delimiters);

    auto* settings = new QGroupBox(tr("Ot&her settings:"), this);
    auto* settingsLayout = new QVBoxLayout(settings);
    firstRow_ = new QCheckBox(tr("First &row has column names"), settings);
    merge_ = new QCheckBox(tr("Treat co&nsecutive delimiters as one"), settings);
    quotedLineBreaks_ = new QCheckBox(tr("&Quoted fields may contain line breaks"), settings);
    settingsLayout->addWidget(firstRow_);
    settingsLayout->addWidget(merge_);
    settingsLayout->addWidget(quotedLineBreaks_);
    layout->addWidget(settings);
    layout->addStretch(1);

    connect(file_, &CFileNameField::FileNameChosen, this,
            &CDelimitedTextFileSourcePageDlg::ApplyFileName);
    for (QCheckBox* box : {tab_, semicolon_, comma_, space_, other_}) {
        connect(box, &QCheckBox::toggled, this, &CDelimitedTextFileSourcePageDlg::ApplyDelimiters);
    }
    connect(otherText_, &QLineEdit::textEdited, this, [this](const QString& text) {
        {
            const QSignalBlocker block(other_);
            other_->setChecked(!text.isEmpty());
        }
        ApplyDelimiters();
    });
    connect(firstRow_, &QCheckBox::toggled, this, &CDelimitedTextFileSourcePageDlg::ApplyFlags);
    connect(merge_, &QCheckBox::toggled, this, &CDelimitedTextFileSourcePageDlg::ApplyFlags);
    connect(quotedLineBreaks_, &QCheckBox::toggled, this,
            &CDelimitedTextFileSourcePageDlg::ApplyFlags);
}

void CDelimitedTextFileSourcePageDlg::Refresh() {
    refreshing_ = true;
    const DVFileSettings& settings = controller_.Definition().Settings();
    file_->SetFileName(QString::fromStdString(settings.sourcefilename));
    const QString delimiter = QString::fromStdString(settings.delimiter);
    QString other;
    for (QChar c : delimiter) {
        if (c != '\t' && c != ';' && c != ',' && c != ' ' && !other.contains(c)) {
            other += c;
        }
    }
    const std::pair<QCheckBox*, bool> states[] = {
        {tab_, delimiter.contains('\t')},
        {semicolon_, delimiter.contains(';')},
        {comma_, delimiter.contains(',')},
        {space_, delimiter.contains(' ')},
        {other_, !other.isEmpty()},
        {firstRow_, settings.firstrowhascolnames},
        {merge_, settings.treatconsecutivedelimsasone},
        {quotedLineBreaks_, settings.quotedlinebreaks},
    };
    for (auto [box, on] : states) {
        const QSignalBlocker block(box);
        box->setChecked(on);
    }
    if (otherText_->text() != other) {
        otherText_->setText(other);
    }
    refreshing_ = false;
}

QString CDelimitedTextFileSourcePageDlg::DelimiterText() const {
    QString text;
    if (tab_->isChecked()) {
        text += '\t';
    }
    if (semicolon_->isChecked()) {
        text += ';';
    }
    if (comma_->isChecked()) {
        text += ',';
    }
    if (space_->isChecked()) {
        text += ' ';
    }
    if (other_->isChecked()) {
        text += otherText_->text();
    }
    return text;
}

void CDelimitedTextFileSourcePageDlg::ApplyFileName(const QString& name) {
    if (!refreshing_ &&
        SourceSettings::SetSourceFileName(controller_.Definition(), name.toStdString())) {
        controller_.Changed(ChangeCode::kSource);
    }
}

void CDelimitedTextFileSourcePageDlg::ApplyDelimiters() {
    if (refreshing_) {
        return;
    }
    // An empty set is stored as ","; the refresh then shows the Comma box.
    if (SourceSettings::SetDelimiter(controller_.Definition(), DelimiterText().toStdString())) {
        controller_.Changed(ChangeCode::kSource);
    } else {
        Refresh();
    }
}

void CDelimitedTextFileSourcePageDlg::ApplyFlags() {
    if (refreshing_) {
        return;
    }
    DVFile& definition = controller_.Definition();
    bool changed = SourceSettings::SetFirstRowHasColNames(definition, firstRow_->isChecked());
    changed =
        SourceSettings::SetTreatConsecutiveDelimsAsOne(definition, merge_->isChecked()) || changed;
    changed =
        SourceSettings::SetQuotedLineBreaks(definition, quotedLineBreaks_->isChecked()) || changed;
    if (changed) {
        controller_.Changed(ChangeCode::kSource);
    }
}
