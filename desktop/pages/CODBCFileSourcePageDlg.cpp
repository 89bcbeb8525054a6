#include "CODBCFileSourcePageDlg.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "CBackgroundTask.h"
#include "CFileNameField.h"
#include "CIdentificationBox.h"
#include "ConnectionTest.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "workbench/DatabaseCatalog.h"
#include "workbench/SourceSettings.h"

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
    identification_ = new CIdentificationBox(this);
    layout->addWidget(identification_);
    auto* buttons = new QHBoxLayout;
    test_ = new QPushButton(tr("&Test..."), this);
    buttons->addStretch(1);
    buttons->addWidget(test_);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(file_, &CFileNameField::FileNameChosen, this, [this](const QString& name) {
        if (!refreshing_ &&
            SourceSettings::SetSourceFileName(controller_.Definition(), name.toStdString())) {
            controller_.Changed(ChangeCode::kSource);
        }
    });
    connect(identification_, &CIdentificationBox::Edited, this,
            &CODBCFileSourcePageDlg::ApplyIdentification);
    connect(test_, &QPushButton::clicked, this, [this] {
        ApplyIdentification();
        StartConnectionTest(*testTask_, prompter_, test_, controller_.Definition());
    });
}

QString CODBCFileSourcePageDlg::FileFilter(int sourceType, const std::string& driver) {
    const auto attributes = DatabaseCatalog::DriverAttributes(driver);
    auto found = attributes.find("FileExtns");
    QString extensions =
        found == attributes.end() ? QString() : QString::fromStdString(found->second);
    if (extensions.isEmpty()) {
        extensions = sourceType == DVFileSettings::kExcel ? QStringLiteral("*.xlsx;*.xls")
                                                          : QStringLiteral("*.mdb;*.accdb");
    }
    const QString patterns =
        extensions.split(QRegularExpression(QStringLiteral("[;,]")), Qt::SkipEmptyParts).join(' ');
    const QString kind = sourceType == DVFileSettings::kExcel ? tr("Microsoft Excel Files")
                                                              : tr("Microsoft Access Files");
    return QStringLiteral("%1 (%2)").arg(kind, patterns);
}

void CODBCFileSourcePageDlg::Refresh() {
    refreshing_ = true;
    const DVFileSettings& settings = controller_.Definition().Settings();
    file_->SetFilter(FileFilter(settings.sourcetype, settings.odbcdriver));
    file_->SetFileName(QString::fromStdString(settings.sourcefilename));
    identification_->Show(settings);
    refreshing_ = false;
}

void CODBCFileSourcePageDlg::ApplyIdentification() {
    if (refreshing_) {
        return;
    }
    if (identification_->ApplyTo(controller_.Definition())) {
        controller_.Changed(ChangeCode::kSource);
    }
}
