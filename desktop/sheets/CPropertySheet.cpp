#include "CPropertySheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "controller/CController.h"
#include "frame/AccessibleNames.h"

CPropertySheet::CPropertySheet(const QString& title, SheetContext& context, int changeCode,
                               int helpTopic, QWidget* parent)
    : QDialog(parent), context_(context), changeCode_(changeCode), helpTopic_(helpTopic) {
    setWindowTitle(title);
    setModal(true);
    tabs_ = new QTabWidget(this);
    buttons_ = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &CPropertySheet::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &CPropertySheet::reject);
    connect(buttons_, &QDialogButtonBox::helpRequested, this, [this] {
        if (context_.showHelp) {
            context_.showHelp(helpTopic_);
        }
    });
}

void CPropertySheet::AddPage(CPropertyPage* page) {
    pages_.push_back(page);
    tabs_->addTab(page, page->Title());
    NameFieldsAfterTheirLabels(page);
}

CPropertyPage* CPropertySheet::Page(int index) const {
    return index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr;
}

void CPropertySheet::accept() {
    for (CPropertyPage* page : pages_) {
        if (!page->Validate()) {
            tabs_->setCurrentWidget(page);
            return;
        }
    }
    changed_ = false;
    for (CPropertyPage* page : pages_) {
        changed_ = page->Apply() || changed_;
    }
    AfterApply(changed_);
    if (changed_) {
        context_.controller.Changed(changeCode_);
    }
    QDialog::accept();
}
