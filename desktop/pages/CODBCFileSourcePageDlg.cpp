#include "CODBCFileSourcePageDlg.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "CBackgroundTask.h"
#include "CFileNameField.h"
#include "ConnectionTest.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "dataaccess/CODBCManager.h"

CODBCFileSourcePageDlg::CODBCFileSourcePageDlg(CController& controller, IPrompter& prompter,
                                               QWidget* parent)
    : QWidget(parent), controller_(controller), prompter_(prompter) {
    testTask_ = new CBackgroundTask(this);
    auto* layout = new QVBoxLayout(this);
    auto* fileLabel = new QLabel(tr("&File Name"), this);
    file_ = new CFileNameField(prompter, {}, {}, CFileNameField::Mode::kOpen, this);
    fileLabel->setBuddy(file_->Edit());
    layout->addWidget(fileLabel);
    layout->addWidget(file_);
    auto* identification = new QGroupBox(tr("Identification"), this);
    auto* form = new QFormLayout(identification);
    user_ = new QLineEdit(identification);
    password_ = new QLineEdit(identification);
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(tr("Us&er name:"), user_);
    form->addRow(tr("&Password:"), password_);
    layout->addWidget(identification);
    auto* buttons = new QHBoxLayout;
    test_ = new QPushButton(tr("&Test..."), this);
    buttons->addStretch(1);
    buttons->addWidget(test_);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(file_, &CFileNameField::FileNameChosen, this, [this](const QString& name) {
        if (!refreshing_ && controller_.Definition().SetSourceFileName(name.toStdString())) {
            controller_.Changed(ChangeCode::kSource);
        }
    });
    connect(user_, &QLineEdit::editingFinished, this,
            &CODBCFileSourcePageDlg::ApplyIdentification);
    connect(password_, &QLineEdit::editingFinished, this,
            &CODBCFileSourcePageDlg::ApplyIdentification);
    connect(test_, &QPushButton::clicked, this, [this] {
        ApplyIdentification();
        StartConnectionTest(*testTask_, prompter_, test_, controller_.Definition());
    });
}

QString CODBCFileSourcePageDlg::FileFilter(int sourceType, const std::string& driver) {
    const auto attributes = Norvik::CODBCManager::DriverAttributes(driver);
    auto found = attributes.find("FileExtns");
    QString extensions = found == attributes.end() ? QString() : QString::fromStdString(found->second);
    if (extensions.isEmpty()) {
        extensions = sourceType == DVFileSettings::kExcel ? QStringLiteral("*.xlsx;*.xls")
                                                          : QStringLiteral("*.mdb;*.accdb");
    }
    const QString patterns =
        extensions.split(QRegularExpression(QStringLiteral("[;,]")), Qt::SkipEmptyParts)
            .join(' ');
    const QString kind = sourceType == DVFileSettings::kExcel ? tr("Microsoft Excel Files")
                                                              : tr("Microsoft Access Files");
    return QStringLiteral("%1 (%2)").arg(kind, patterns);
}

void CODBCFileSourcePageDlg::Refresh() {
    refreshing_ = true;
    const DVFileSettings& settings = controller_.Definition().Settings();
    file_->SetFilter(FileFilter(settings.sourcetype, settings.odbcdriver));
    file_->SetFileName(QString::fromStdString(settings.sourcefilename));
    if (user_->text() != QString::fromStdString(settings.username)) {
        user_->setText(QString::fromStdString(settings.username));
    }
    if (password_->text() != QString::fromStdString(settings.password)) {
        password_->setText(QString::fromStdString(settings.password));
    }
    refreshing_ = false;
}

void CODBCFileSourcePageDlg::ApplyIdentification() {
    if (refreshing_) {
        return;
    }
    DVFile& definition = controller_.Definition();
    bool changed = definition.SetUserName(user_->text().toStdString());
    changed = definition.SetPassword(password_->text().toStdString()) || changed;
    if (changed) {
        controller_.Changed(ChangeCode::kSource);
    }
}
