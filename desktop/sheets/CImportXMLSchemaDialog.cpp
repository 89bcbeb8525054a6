#include "CImportXMLSchemaDialog.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "SchemaImport.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/DocumentNames.h"
#include "frame/HelpTopics.h"
#include "frame/IPrompter.h"
#include "import/SchemaImport.h"
#include "pages/CFileNameField.h"

CImportXMLSchemaFilePropPage::CImportXMLSchemaFilePropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("File Selection"), parent), context_(context) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("What type of file do you want to import?"), this));
    kind_ = new QButtonGroup(this);
    const std::pair<const char*, int> kinds[] = {{"XML Schema Definition (XSD)", kImportXsd},
                                                 {"Document Type Definition (DTD)", kImportDtd},
                                                 {"XML Document (XML)", kImportXml}};
    for (auto [label, kind] : kinds) {
        auto* button = new QRadioButton(tr(label), this);
        kind_->addButton(button, kind);
        layout->addWidget(button);
    }
    kind_->button(kImportXsd)->setChecked(true);
    layout->addSpacing(8);
    auto* pathLabel = new QLabel(tr("Enter the Path or URL of your file"), this);
    path_ = new CFileNameField(context.prompter,
                               tr("XML Schema Files (*.xsd *.dtd *.xml);;All Files (*)"), {},
                               CFileNameField::Mode::kOpen, this);
    pathLabel->setBuddy(path_->Edit());
    layout->addWidget(pathLabel);
    layout->addWidget(path_);
    layout->addStretch(1);
}

bool CImportXMLSchemaFilePropPage::Validate() {
    if (!path_->FileName().trimmed().isEmpty()) {
        return true;
    }
    context_.prompter.Message(
        window(), tr("Please enter the path or URL of the file you want to import."),
        tr("Import XML Schema"), IPrompter::Buttons::kOk, IPrompter::Icon::kInformation);
    path_->Edit()->setFocus();
    return false;
}

CImportXMLSchemaDialog::CImportXMLSchemaDialog(SheetContext& context, QWidget* parent)
    : CPropertySheet(tr("Import XML Schema"), context, ChangeCode::kTree, HelpTopic::kImportDialog,
                     parent) {
    page_ = new CImportXMLSchemaFilePropPage(context, this);
    AddPage(page_);
}

void CImportXMLSchemaDialog::AfterApply(bool& changed) {
    CController& controller = Context().controller;
    const SchemaImportOutcome outcome = ImportSchemaInBackground(
        this, controller, controller.Definition(),
        page_->PathField()->FileName().trimmed().toStdString(), page_->KindGroup()->checkedId());
    if (outcome.imported) {
        changed = true;
    } else if (!outcome.cancelled) {
        Context().prompter.Message(this, QString::fromStdString(outcome.error),
                                   tr("Import XML Schema"), IPrompter::Buttons::kOk,
                                   IPrompter::Icon::kError);
    }
}
