#include "CIdentificationBox.h"

#include <QFormLayout>
#include <QLineEdit>

#include "frame/QtText.h"
#include "model/DVFile.h"

CIdentificationBox::CIdentificationBox(QWidget* parent) : QGroupBox(tr("Identification"), parent) {
    auto* form = new QFormLayout(this);
    user_ = new QLineEdit(this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(tr("Us&er name:"), user_);
    form->addRow(tr("&Password:"), password_);
    connect(user_, &QLineEdit::editingFinished, this, &CIdentificationBox::Edited);
    connect(password_, &QLineEdit::editingFinished, this, &CIdentificationBox::Edited);
}

void CIdentificationBox::Show(const DVFileSettings& settings) {
    if (user_->text() != ToQt(settings.username)) {
        user_->setText(ToQt(settings.username));
    }
    if (password_->text() != ToQt(settings.password)) {
        password_->setText(ToQt(settings.password));
    }
}

bool CIdentificationBox::ApplyTo(DVFile& definition) const {
    bool changed = definition.SetUserName(user_->text().toStdString());
    changed = definition.SetPassword(password_->text().toStdString()) || changed;
    return changed;
}
