#include "CFileNameField.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "frame/IPrompter.h"

namespace {
// What the file name edits of the definition hold at most.
constexpr int kMaxFileName = 260;
}  // namespace

CFileNameField::CFileNameField(IPrompter& prompter, QString filter, QString defaultSuffix,
                               Mode mode, QWidget* parent)
    : QWidget(parent),
      prompter_(prompter),
      filter_(std::move(filter)),
      suffix_(std::move(defaultSuffix)),
      mode_(mode) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    edit_ = new QLineEdit(this);
    edit_->setMaxLength(kMaxFileName);
    browse_ = new QPushButton(tr("&Browse..."), this);
    layout->addWidget(edit_, 1);
    layout->addWidget(browse_);
    setFocusProxy(edit_);
    connect(edit_, &QLineEdit::editingFinished, this, &CFileNameField::Finish);
    connect(browse_, &QPushButton::clicked, this, &CFileNameField::Browse);
}

void CFileNameField::SetFileName(const QString& name) {
    applied_ = name;
    if (edit_->text() != name) {
        edit_->setText(name);
    }
}

QString CFileNameField::FileName() const {
    return edit_->text();
}

void CFileNameField::Finish() {
    if (edit_->text() != applied_) {
        applied_ = edit_->text();
        emit FileNameChosen(applied_);
    }
}

void CFileNameField::Browse() {
    const QString current = edit_->text();
    QString start = current.isEmpty() ? QDir::currentPath() : QFileInfo(current).absoluteFilePath();
    const QString chosen =
        mode_ == Mode::kOpen
            ? prompter_.OpenFileName(this, tr("Browse"), start, filter_, suffix_)
            : prompter_.SaveFileName(this, tr("Browse"), start, filter_, suffix_);
    if (chosen.isEmpty()) {
        return;
    }
    edit_->setText(chosen);
    Finish();
}
