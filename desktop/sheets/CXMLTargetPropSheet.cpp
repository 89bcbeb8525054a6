#include "CXMLTargetPropSheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "CAutoTextDlg.h"
#include "SchemaImport.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/DocumentNames.h"
#include "frame/HelpTopics.h"
#include "frame/IPrompter.h"
#include "frame/QtText.h"
#include "import/SchemaImport.h"
#include "pages/CFileNameField.h"

CXMLTargetPropSheet::CXMLTargetPropSheet(SheetContext& context, QWidget* parent)
    : CPropertySheet(tr("XML Target Options"), context, ChangeCode::kTree,
                     HelpTopic::kTargetOptionsSheet, parent) {
    doctype_ = new CXMLTargetDoctypePropPage(context, this);
    AddPage(doctype_);
    AddPage(new CXMLTargetStylesheetPropPage(context, this));
    AddPage(new CXMLTargetCustomPropPage(context, this));
}

void CXMLTargetPropSheet::AfterApply(bool& changed) {
    if (!doctype_->LoadRequested()) {
        return;
    }
    CController& controller = Context().controller;
    const std::string dtd = controller.Definition().Settings().doctypedtd;
    // The import replaces the definition with a copy that holds the settings
    // written just now; a failure keeps them.
    const SchemaImportOutcome outcome =
        ImportSchemaInBackground(this, controller, controller.Definition(), dtd, kImportDtd);
    if (outcome.imported) {
        changed = true;
    } else if (!outcome.cancelled) {
        Context().prompter.Message(
            this, QStringLiteral("Failed to load DTD from \"%1\"").arg(ToQt(dtd)), tr("Load DTD"),
            IPrompter::Buttons::kOk, IPrompter::Icon::kError);
    }
}

CXMLTargetDoctypePropPage::CXMLTargetDoctypePropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("DOCTYPE"), parent), context_(context) {
    const DVFile& definition = context.controller.Definition();
    const DVFileSettings& settings = definition.Settings();
    auto* layout = new QVBoxLayout(this);
    include_ = new QCheckBox(tr("Include &DOCTYPE declaration"), this);
    include_->setChecked(settings.includedoctype);
    layout->addWidget(include_);
    auto* fields = new QWidget(this);
    auto* form = new QVBoxLayout(fields);
    form->setContentsMargins(0, 0, 0, 0);
    root_ = new QLineEdit(ToQt(definition.Root().GetName()), fields);
    publicId_ = new QLineEdit(ToQt(settings.doctypepublicid), fields);
    dtd_ = new QLineEdit(ToQt(settings.doctypedtd), fields);
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"&Name of the document element (required)", root_},
        {"&Public Identifier (optional)", publicId_},
        {"External Document &Type Definition (DTD) (optional)", dtd_}};
    for (auto [label, edit] : rows) {
        auto* caption = new QLabel(tr(label), fields);
        caption->setBuddy(edit);
        form->addWidget(caption);
        form->addWidget(edit);
    }
    load_ = new QCheckBox(tr("&Load Elements and Attributes"), fields);
    form->addWidget(load_);
    layout->addWidget(fields);
    layout->addStretch(1);
    fields->setEnabled(settings.includedoctype);
    connect(include_, &QCheckBox::toggled, fields, &QWidget::setEnabled);
}

bool CXMLTargetDoctypePropPage::LoadRequested() const {
    return include_->isChecked() && load_->isChecked() && !dtd_->text().trimmed().isEmpty();
}

bool CXMLTargetDoctypePropPage::Validate() {
    if (!include_->isChecked() || !root_->text().trimmed().isEmpty()) {
        return true;
    }
    context_.prompter.Message(window(), tr("Please enter the name of the document element."),
                              QString::fromLatin1(DocumentNames::kProductName),
                              IPrompter::Buttons::kOk, IPrompter::Icon::kInformation);
    root_->setFocus();
    return false;
}

bool CXMLTargetDoctypePropPage::Apply() {
    DVFile& definition = context_.controller.Definition();
    bool changed = definition.SetIncludeDoctype(include_->isChecked());
    if (include_->isChecked()) {
        changed = definition.Root().SetName(root_->text().trimmed().toStdString()) || changed;
        changed =
            definition.SetDoctypePublicId(publicId_->text().trimmed().toStdString()) || changed;
        changed = definition.SetDoctypeDtd(dtd_->text().trimmed().toStdString()) || changed;
    }
    return changed;
}

CXMLTargetStylesheetPropPage::CXMLTargetStylesheetPropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("Style Sheet"), parent), context_(context) {
    const DVFileSettings& settings = context.controller.Definition().Settings();
    auto* layout = new QVBoxLayout(this);
    include_ = new QCheckBox(tr("Include &Stylesheet processing instruction"), this);
    include_->setChecked(settings.includestylesheet);
    layout->addWidget(include_);
    auto* form = new QFormLayout;
    href_ = new QLineEdit(ToQt(settings.stylesheethref), this);
    title_ = new QLineEdit(ToQt(settings.stylesheettitle), this);
    form->addRow(tr("&Href"), href_);
    layout->addLayout(form);
    auto* typeBox = new QGroupBox(tr("&Type"), this);
    auto* typeLayout = new QVBoxLayout(typeBox);
    type_ = new QButtonGroup(this);
    auto* css = new QRadioButton(tr("Cascading Style Sheet (CSS)"), typeBox);
    auto* xsl = new QRadioButton(tr("&Extensible Stylesheet Language (XSL)"), typeBox);
    type_->addButton(css, 0);
    type_->addButton(xsl, 1);
    (settings.isstylesheetxsl ? xsl : css)->setChecked(true);
    typeLayout->addWidget(css);
    typeLayout->addWidget(xsl);
    layout->addWidget(typeBox);
    auto* titleForm = new QFormLayout;
    titleForm->addRow(tr("&Title"), title_);
    layout->addLayout(titleForm);
    layout->addStretch(1);
}

bool CXMLTargetStylesheetPropPage::Apply() {
    DVFile& definition = context_.controller.Definition();
    bool changed = definition.SetIncludeStylesheet(include_->isChecked());
    changed = definition.SetStylesheetHref(href_->text().toStdString()) || changed;
    changed = definition.SetIsStylesheetXsl(type_->checkedId() == 1) || changed;
    changed = definition.SetStylesheetTitle(title_->text().toStdString()) || changed;
    return changed;
}

CXMLTargetCustomPropPage::CXMLTargetCustomPropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("Custom"), parent), context_(context) {
    const DVFileSettings& settings = context.controller.Definition().Settings();
    auto* layout = new QVBoxLayout(this);
    auto* textLabel = new QLabel(tr("Enter &text to include before the document element."), this);
    QString text = ToQt(settings.customtext);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text_ = new QPlainTextEdit(text, this);
    textLabel->setBuddy(text_);
    layout->addWidget(textLabel);
    layout->addWidget(text_, 1);
    auto* textButtons = new QHBoxLayout;
    autoText_ = new QPushButton(tr("A&utoText..."), this);
    textButtons->addStretch(1);
    textButtons->addWidget(autoText_);
    layout->addLayout(textButtons);
    connect(autoText_, &QPushButton::clicked, this, [this] {
        const QString token = context_.chooseAutoText
                                  ? context_.chooseAutoText(window())
                                  : CAutoTextDlg::Choose(window(), context_.showHelp);
        if (!token.isEmpty()) {
            text_->insertPlainText(token);
        }
        text_->setFocus();
    });
    auto* fileLabel =
        new QLabel(tr("Select a &file to include before the document element."), this);
    include_ = new CFileNameField(context.prompter, tr("All Files (*)"), {},
                                  CFileNameField::Mode::kOpen, this);
    include_->SetFileName(ToQt(settings.includefile));
    fileLabel->setBuddy(include_->Edit());
    layout->addWidget(fileLabel);
    layout->addWidget(include_);
}

bool CXMLTargetCustomPropPage::Apply() {
    DVFile& definition = context_.controller.Definition();
    bool changed = definition.SetCustomText(WithCrLf(text_->toPlainText()));
    return definition.SetIncludeFile(include_->FileName().trimmed().toStdString()) || changed;
}
