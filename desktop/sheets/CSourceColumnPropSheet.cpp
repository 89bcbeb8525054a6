#include "CSourceColumnPropSheet.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "CDataTypeFormatBox.h"
#include "base/Assign.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/DocumentNames.h"
#include "frame/HelpTopics.h"
#include "frame/IPrompter.h"

namespace {

CSCol& ColumnAt(SheetContext& context, int index) {
    return context.controller.Definition().Column(static_cast<size_t>(index));
}

}  // namespace

CSourceColumnPropSheet::CSourceColumnPropSheet(SheetContext& context, int columnIndex,
                                               QWidget* parent)
    : CPropertySheet(tr("Source Column Properties"), context, ChangeCode::kSource,
                     HelpTopic::kColumnSheet, parent) {
    AddPage(new CSourceColumnPropPage(context, columnIndex, this));
    AddPage(new CSourceColumnBehaviorPropPage(context, columnIndex, this));
    AddPage(new CSourceColumnLookupTablePropPage(context, columnIndex, this));
}

CSourceColumnPropPage::CSourceColumnPropPage(SheetContext& context, int columnIndex,
                                             QWidget* parent)
    : CPropertyPage(tr("General"), parent), context_(context), index_(columnIndex) {
    const CSCol& column = ColumnAt(context, columnIndex);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    name_ = new QLineEdit(QString::fromStdString(column.name), this);
    form->addRow(tr("Name:"), name_);
    layout->addLayout(form);
    format_ = new CDataTypeFormatBox(this);
    format_->SetRegionalSetting(context.controller.Definition().Settings().locale);
    format_->Load(column);
    layout->addWidget(format_, 1);
}

bool CSourceColumnPropPage::Validate() {
    if (!name_->text().trimmed().isEmpty()) {
        return true;
    }
    context_.prompter.Message(window(), tr("Please enter a name for the column."),
                              QString::fromLatin1(DocumentNames::kProductName),
                              IPrompter::Buttons::kOk, IPrompter::Icon::kInformation);
    name_->setFocus();
    return false;
}

bool CSourceColumnPropPage::Apply() {
    CSCol& column = ColumnAt(context_, index_);
    bool changed = AssignIfChanged(column.name, name_->text().trimmed().toStdString());
    const DataTypeProperties edited = format_->Edited();
    if (!(static_cast<const DataTypeProperties&>(column) == edited)) {
        static_cast<DataTypeProperties&>(column) = edited;
        changed = true;
    }
    return changed;
}

CSourceColumnBehaviorPropPage::CSourceColumnBehaviorPropPage(SheetContext& context, int columnIndex,
                                                             QWidget* parent)
    : CPropertyPage(tr("Behavior"), parent), context_(context), index_(columnIndex) {
    const CSCol& column = ColumnAt(context, columnIndex);
    auto* layout = new QVBoxLayout(this);
    auto* skip = new QGroupBox(tr("&Skip row if value is"), this);
    auto* skipLayout = new QVBoxLayout(skip);
    empty_ = new QCheckBox(tr("&Empty"), skip);
    zero_ = new QCheckBox(tr("&Zero"), skip);
    duplicate_ = new QCheckBox(tr("&Duplicate"), skip);
    for (QCheckBox* box : {empty_, zero_, duplicate_}) {
        skipLayout->addWidget(box);
    }
    layout->addWidget(skip);
    auto* empty = new QGroupBox(tr("If &value is empty"), this);
    auto* emptyLayout = new QFormLayout(empty);
    useLast_ = new QRadioButton(tr("Use &last non empty value"), empty);
    useDefault_ = new QRadioButton(tr("Use de&fault:"), empty);
    default_ = new QLineEdit(empty);
    default_->setAccessibleName(tr("Default value"));
    emptyLayout->addRow(useLast_);
    emptyLayout->addRow(useDefault_, default_);
    layout->addWidget(empty);
    layout->addStretch(1);

    empty_->setChecked(column.skipIfEmpty);
    zero_->setChecked(column.skipIfZero);
    duplicate_->setChecked(column.skipIfDuplicate);
    (column.useLastIfEmpty ? useLast_ : useDefault_)->setChecked(true);
    default_->setText(QString::fromStdString(column.defaultValue));
    default_->setEnabled(!column.useLastIfEmpty);
    connect(useDefault_, &QRadioButton::toggled, default_, &QLineEdit::setEnabled);
}

bool CSourceColumnBehaviorPropPage::Apply() {
    CSCol& column = ColumnAt(context_, index_);
    bool changed = AssignIfChanged(column.skipIfEmpty, empty_->isChecked());
    changed = AssignIfChanged(column.skipIfZero, zero_->isChecked()) || changed;
    changed = AssignIfChanged(column.skipIfDuplicate, duplicate_->isChecked()) || changed;
    changed = AssignIfChanged(column.useLastIfEmpty, useLast_->isChecked()) || changed;
    changed = AssignIfChanged(column.defaultValue, default_->text().toStdString()) || changed;
    return changed;
}

CSourceColumnLookupTablePropPage::CSourceColumnLookupTablePropPage(SheetContext& context,
                                                                   int columnIndex, QWidget* parent)
    : CPropertyPage(tr("Lookup Table"), parent), context_(context), index_(columnIndex) {
    const CSCol& column = ColumnAt(context, columnIndex);
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(tr("Format:\nSource1 = Target1\nSource2 = Target2"), this);
    layout->addWidget(hint);
    table_ = new QPlainTextEdit(this);
    table_->setAccessibleName(tr("Lookup table"));
    table_->setObjectName(QStringLiteral("lookupTable"));
    table_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList lines;
    for (const auto& [key, value] : column.lookupTable) {
        lines << QString::fromStdString(CSCol::LookupEntryText(key, value));
    }
    table_->setPlainText(lines.join('\n'));
    layout->addWidget(table_, 1);
    skip_ = new QCheckBox(tr("Skip row if none of the above"), this);
    ignoreCase_ = new QCheckBox(tr("Ignore &case"), this);
    partial_ = new QCheckBox(tr("Allow &partial match"), this);
    onlyPart_ = new QCheckBox(tr("&Only replace matching part"), this);
    for (QCheckBox* box : {skip_, ignoreCase_, partial_, onlyPart_}) {
        layout->addWidget(box);
    }
    skip_->setChecked(column.skipIfNoMatch);
    ignoreCase_->setChecked(column.ignoreCase);
    partial_->setChecked(column.allowPartialMatch);
    onlyPart_->setChecked(column.onlyReplaceMatchingPart);
}

bool CSourceColumnLookupTablePropPage::Apply() {
    CSCol& column = ColumnAt(context_, index_);
    bool changed = AssignIfChanged(column.skipIfNoMatch, skip_->isChecked());
    changed = AssignIfChanged(column.ignoreCase, ignoreCase_->isChecked()) || changed;
    changed = AssignIfChanged(column.allowPartialMatch, partial_->isChecked()) || changed;
    changed = AssignIfChanged(column.onlyReplaceMatchingPart, onlyPart_->isChecked()) || changed;
    // The entries as the column reads them: keys folded when case is ignored.
    CSCol parsed = CSCol::WithId(column.id);
    parsed.ignoreCase = column.ignoreCase;
    for (const QString& line : table_->toPlainText().split('\n')) {
        parsed.AddLookupEntry(line.trimmed().toStdString());
    }
    return AssignIfChanged(column.lookupTable, parsed.lookupTable) || changed;
}
