#include "CXMLOutputPropSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <limits>

#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/HelpTopics.h"
#include "pages/CFileNameField.h"
#include "xml/OutputEncodings.h"

CXMLOutputPropSheet::CXMLOutputPropSheet(SheetContext& context, QWidget* parent)
    : CPropertySheet(tr("XML Output Options"), context, ChangeCode::kOutput,
                     HelpTopic::kOutputOptionsSheet, parent) {
    AddPage(new CXMLOutputFormattingPropPage(context, this));
    AddPage(new CXMLOutputFilesPropPage(context, this));
    AddPage(new CXMLOutputOtherPropPage(context, this));
}

CXMLOutputFormattingPropPage::CXMLOutputFormattingPropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("Formatting"), parent), context_(context) {
    const DVFileSettings& settings = context.controller.Definition().Settings();
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    encoding_ = new QComboBox(this);
    encoding_->setObjectName(QStringLiteral("encoding"));
    auto* model = qobject_cast<QStandardItemModel*>(encoding_->model());
    for (const Norvik::OutputEncodingInfo& info : Norvik::OutputEncodings()) {
        QString label = QString::fromStdString(Norvik::OutputEncodingLabel(info));
        const bool available = Norvik::IsOutputEncodingAvailable(info);
        if (!available) {
            label += tr(" - not available here");
        }
        encoding_->addItem(label, QString::fromLatin1(info.name));
        if (!available) {
            model->item(encoding_->count() - 1)->setEnabled(false);
        }
    }
    const QString stored = QString::fromStdString(settings.encoding);
    int index = -1;
    for (int i = 0; i < encoding_->count() && index < 0; ++i) {
        if (encoding_->itemText(i).contains('(' + stored + ')', Qt::CaseInsensitive)) {
            index = i;
        }
    }
    if (index < 0) {
        // A name of the definition's own is kept as it is.
        encoding_->addItem(stored, stored);
        index = encoding_->count() - 1;
    }
    encoding_->setCurrentIndex(index);
    form->addRow(tr("&Encoding:"), encoding_);
    layout->addLayout(form);
    quotes_ = new QCheckBox(tr("Remove &Quotes"), this);
    trim_ = new QCheckBox(tr("&Trim Spaces"), this);
    endTags_ = new QCheckBox(tr("&Always produce end tags (unless an element is EMPTY)"), this);
    indent_ = new QCheckBox(tr("&Indent Output"), this);
    declaration_ = new QCheckBox(tr("Include &XML Declaration"), this);
    standalone_ = new QCheckBox(tr("Include &Standalone Property"), this);
    const std::pair<QCheckBox*, bool> boxes[] = {{quotes_, settings.removequotes},
                                                 {trim_, settings.trimspace},
                                                 {endTags_, settings.alwaysemitendtags},
                                                 {indent_, settings.indentOutput},
                                                 {declaration_, settings.includeXmlDeclaration},
                                                 {standalone_, settings.includeStandaloneProperty}};
    for (auto [box, on] : boxes) {
        box->setChecked(on);
        layout->addWidget(box);
    }
    standalone_->setContentsMargins(20, 0, 0, 0);
    standalone_->setEnabled(settings.includeXmlDeclaration);
    connect(declaration_, &QCheckBox::toggled, standalone_, &QCheckBox::setEnabled);
    layout->addStretch(1);
}

bool CXMLOutputFormattingPropPage::Apply() {
    DVFile& definition = context_.controller.Definition();
    bool changed = false;
    // The stored name keeps its spelling unless another entry was chosen.
    const QString chosen = encoding_->currentData().toString();
    if (chosen.compare(QString::fromStdString(definition.Settings().encoding),
                       Qt::CaseInsensitive) != 0) {
        changed = definition.SetEncoding(chosen.toStdString());
    }
    changed = definition.SetRemoveQuotes(quotes_->isChecked()) || changed;
    changed = definition.SetTrimSpace(trim_->isChecked()) || changed;
    changed = definition.SetAlwaysEmitEndTags(endTags_->isChecked()) || changed;
    changed = definition.SetIndentOutput(indent_->isChecked()) || changed;
    changed = definition.SetIncludeXmlDeclaration(declaration_->isChecked()) || changed;
    changed = definition.SetIncludeStandaloneProperty(standalone_->isChecked()) || changed;
    return changed;
}

CXMLOutputFilesPropPage::CXMLOutputFilesPropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("Multiple File Output"), parent), context_(context) {
    const DVFile& definition = context.controller.Definition();
    auto* layout = new QVBoxLayout(this);
    perRow_ = new QCheckBox(tr("&One file per source row"), this);
    perRow_->setChecked(definition.Settings().fileperrow);
    perValue_ = new QCheckBox(tr("One file per &value of source column:"), this);
    column_ = new QComboBox(this);
    column_->setAccessibleName(tr("Source column"));
    for (const CSCol& c : definition.Columns()) {
        column_->addItem(QString::fromStdString(c.name), c.id);
    }
    const int32_t id = definition.Settings().filepercolvalueid;
    perValue_->setChecked(id > 0);
    const int found = column_->findData(id);
    column_->setCurrentIndex(found < 0 ? 0 : found);
    column_->setEnabled(id > 0);
    connect(perValue_, &QCheckBox::toggled, column_, &QComboBox::setEnabled);
    layout->addWidget(perRow_);
    layout->addWidget(perValue_);
    layout->addWidget(column_);
    layout->addStretch(1);
}

bool CXMLOutputFilesPropPage::Apply() {
    DVFile& definition = context_.controller.Definition();
    bool changed = definition.SetFilePerRow(perRow_->isChecked());
    const int32_t id =
        perValue_->isChecked() && column_->currentIndex() >= 0 ? column_->currentData().toInt() : 0;
    return definition.SetFilePerColValueId(id) || changed;
}

CXMLOutputOtherPropPage::CXMLOutputOtherPropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("Other"), parent), context_(context) {
    const DVFileSettings& settings = context.controller.Definition().Settings();
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("&XSL Stylesheet (Path or URL)"), this);
    stylesheet_ = new CFileNameField(context.prompter, tr("XSL Files (*.xsl);;All Files (*)"),
                                     QStringLiteral("xsl"), CFileNameField::Mode::kOpen, this);
    stylesheet_->SetFileName(QString::fromStdString(settings.xsltransform));
    label->setBuddy(stylesheet_->Edit());
    layout->addWidget(label);
    layout->addWidget(stylesheet_);
    auto* schemaLabel =
        new QLabel(tr("&Validate the output against this XML Schema (Path or URL)"), this);
    schema_ = new CFileNameField(context.prompter, tr("XML Schema Files (*.xsd);;All Files (*)"),
                                 QStringLiteral("xsd"), CFileNameField::Mode::kOpen, this);
    schema_->SetFileName(QString::fromStdString(settings.validateschema));
    schemaLabel->setBuddy(schema_->Edit());
    layout->addWidget(schemaLabel);
    layout->addWidget(schema_);
    auto* form = new QFormLayout;
    firstId_ = new QSpinBox(this);
    firstId_->setRange(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    firstId_->setValue(settings.firstOutputId);
    form->addRow(tr("Starting value for AutoText {&ID} :"), firstId_);
    layout->addLayout(form);
    layout->addStretch(1);
}

bool CXMLOutputOtherPropPage::Apply() {
    DVFile& definition = context_.controller.Definition();
    bool changed = definition.SetXslTransform(stylesheet_->FileName().trimmed().toStdString());
    changed = definition.SetValidateSchema(schema_->FileName().trimmed().toStdString()) || changed;
    return definition.SetFirstOutputId(firstId_->value()) || changed;
}
