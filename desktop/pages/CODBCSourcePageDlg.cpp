#include "CODBCSourcePageDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "CBackgroundTask.h"
#include "CFileNameField.h"
#include "CIdentificationBox.h"
#include "ConnectionTest.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/QtText.h"
#include "workbench/DatabaseCatalog.h"
#include "workbench/SourceSettings.h"

CODBCSourcePageDlg::CODBCSourcePageDlg(CController& controller, IPrompter& prompter,
                                       QWidget* parent)
    : QWidget(parent), controller_(controller), prompter_(prompter) {
    testTask_ = new CBackgroundTask(this);
    auto* layout = new QVBoxLayout(this);

    auto* driverLabel = new QLabel(tr("Select a database driver"), this);
    driver_ = new QComboBox(this);
    driver_->setObjectName(QStringLiteral("driver"));
    for (const std::string& name : DatabaseCatalog::Drivers()) {
        driver_->addItem(ToQt(name));
    }
    driverLabel->setBuddy(driver_);
    layout->addWidget(driverLabel);
    layout->addWidget(driver_);

    auto* dsnGroup = new QGroupBox(tr("Select a Data Source Name (DSN)"), this);
    auto* dsnLayout = new QGridLayout(dsnGroup);
    auto* userSystem = new QRadioButton(tr("&User or System DSN:"), dsnGroup);
    auto* fileDsn = new QRadioButton(tr("F&ile DSN:"), dsnGroup);
    dsnType_ = new QButtonGroup(this);
    dsnType_->addButton(userSystem, 0);
    dsnType_->addButton(fileDsn, 1);
    dsn_ = new QComboBox(dsnGroup);
    dsn_->setObjectName(QStringLiteral("dsn"));
    dsn_->setAccessibleName(tr("User or System DSN"));
    fileDsn_ = new CFileNameField(prompter, tr("ODBC Data Source Name Files (*.dsn)"),
                                  QStringLiteral("dsn"), CFileNameField::Mode::kOpen, dsnGroup);
    dsnLayout->addWidget(userSystem, 0, 0);
    fileDsn_->Edit()->setAccessibleName(tr("File DSN"));
    dsnLayout->addWidget(dsn_, 0, 1);
    dsnLayout->addWidget(fileDsn, 1, 0);
    dsnLayout->addWidget(fileDsn_, 1, 1);
    dsnLayout->setColumnStretch(1, 1);
    layout->addWidget(dsnGroup);

    fileGroup_ = new QGroupBox(tr("Select a File"), this);
    auto* fileLayout = new QVBoxLayout(fileGroup_);
    file_ = new CFileNameField(prompter, tr("All Files (*)"), {}, CFileNameField::Mode::kOpen,
                               fileGroup_);
    auto* note = new QLabel(tr("If this area is enabled it means the ODBC driver requires a file "
                               "name.  If you selected a DSN that defines the file, you do not "
                               "need to enter it again here."),
                            fileGroup_);
    note->setWordWrap(true);
    file_->Edit()->setAccessibleName(tr("File name"));
    fileLayout->addWidget(file_);
    fileLayout->addWidget(note);
    layout->addWidget(fileGroup_);

    identification_ = new CIdentificationBox(this);
    layout->addWidget(identification_);

    auto* buttons = new QHBoxLayout;
    advanced_ = new QPushButton(tr("&Advanced..."), this);
    advanced_->setEnabled(false);
    test_ = new QPushButton(tr("&Test..."), this);
    buttons->addStretch(1);
    buttons->addWidget(advanced_);
    buttons->addWidget(test_);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(driver_, &QComboBox::textActivated, this, &CODBCSourcePageDlg::ApplyDriver);
    connect(dsnType_, &QButtonGroup::idToggled, this, [this](int type, bool checked) {
        if (checked) {
            ApplyDsnType(type);
        }
    });
    connect(dsn_, &QComboBox::textActivated, this, [this](const QString& name) {
        if (!refreshing_ && controller_.Definition().SetUserSysDsn(name.toStdString())) {
            controller_.Changed(ChangeCode::kSource);
        }
    });
    connect(fileDsn_, &CFileNameField::FileNameChosen, this, [this](const QString& name) {
        if (!refreshing_ && controller_.Definition().SetFileDsn(name.toStdString())) {
            controller_.Changed(ChangeCode::kSource);
        }
    });
    connect(file_, &CFileNameField::FileNameChosen, this, [this](const QString& name) {
        if (!refreshing_ &&
            SourceSettings::SetSourceFileName(controller_.Definition(), name.toStdString())) {
            controller_.Changed(ChangeCode::kSource);
        }
    });
    connect(identification_, &CIdentificationBox::Edited, this,
            &CODBCSourcePageDlg::ApplyIdentification);
    connect(advanced_, &QPushButton::clicked, this, [this] {
        if (advancedHandler_) {
            advancedHandler_();
        }
    });
    connect(test_, &QPushButton::clicked, this, [this] {
        ApplyIdentification();
        StartConnectionTest(*testTask_, prompter_, test_, controller_.Definition());
    });
}

void CODBCSourcePageDlg::SetAdvancedHandler(std::function<void()> handler) {
    advancedHandler_ = std::move(handler);
    advanced_->setEnabled(static_cast<bool>(advancedHandler_));
}

void CODBCSourcePageDlg::Refresh() {
    refreshing_ = true;
    const DVFileSettings& settings = controller_.Definition().Settings();
    {
        const QSignalBlocker block(driver_);
        const QString driver = ToQt(settings.odbcdriver);
        int index = driver_->findText(driver);
        if (index < 0 && !driver.isEmpty()) {
            driver_->addItem(driver);  // named by the definition, not installed here
            index = driver_->count() - 1;
        }
        driver_->setCurrentIndex(index);
    }
    {
        const QSignalBlocker block(dsn_);
        dsn_->clear();
        for (const std::string& name : DatabaseCatalog::DataSourceNames(settings.odbcdriver)) {
            dsn_->addItem(ToQt(name));
        }
        const QString dsn = ToQt(settings.usersysdsn);
        if (!dsn.isEmpty() && dsn_->findText(dsn) < 0) {
            dsn_->addItem(dsn);
        }
        dsn_->setCurrentIndex(dsn_->findText(dsn));
    }
    if (QAbstractButton* button = dsnType_->button(settings.dsntype == 1 ? 1 : 0)) {
        button->setChecked(true);
    }
    fileDsn_->SetFileName(ToQt(settings.filedsn));
    file_->SetFileName(ToQt(settings.sourcefilename));
    identification_->Show(settings);
    UpdateEnabled();
    refreshing_ = false;
}

void CODBCSourcePageDlg::UpdateEnabled() {
    const bool fileDsn = dsnType_->checkedId() == 1;
    dsn_->setEnabled(!fileDsn);
    fileDsn_->setEnabled(fileDsn);
    fileGroup_->setEnabled(
        DatabaseCatalog::DriverNeedsFile(controller_.Definition().Settings().odbcdriver));
}

void CODBCSourcePageDlg::ApplyDriver(const QString& driver) {
    if (!refreshing_ && controller_.Definition().SetOdbcDriver(driver.toStdString())) {
        controller_.Changed(ChangeCode::kSource);
    }
}

void CODBCSourcePageDlg::ApplyDsnType(int type) {
    if (!refreshing_ && controller_.Definition().SetDsnType(type)) {
        controller_.Changed(ChangeCode::kSource);
    }
    UpdateEnabled();
}

void CODBCSourcePageDlg::ApplyIdentification() {
    if (refreshing_) {
        return;
    }
    if (identification_->ApplyTo(controller_.Definition())) {
        controller_.Changed(ChangeCode::kSource);
    }
}
