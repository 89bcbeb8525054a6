#pragma once

#include <QWidget>
#include <functional>

#include "CIdentificationBox.h"

class CBackgroundTask;
class CController;
class CFileNameField;
class IPrompter;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;

// The ODBC connection form: driver, DSN (user/system or file), database
// file, identification, Advanced and Test.
class CODBCSourcePageDlg : public QWidget {
    Q_OBJECT

public:
    CODBCSourcePageDlg(CController& controller, IPrompter& prompter, QWidget* parent = nullptr);

    void Refresh();
    // Opens the ODBC Advanced sheet; the button is disabled without one.
    void SetAdvancedHandler(std::function<void()> handler);

    QComboBox* DriverBox() const noexcept { return driver_; }
    QComboBox* DsnBox() const noexcept { return dsn_; }
    CFileNameField* FileDsnField() const noexcept { return fileDsn_; }
    CFileNameField* FileField() const noexcept { return file_; }
    QLineEdit* UserEdit() const noexcept { return identification_->UserEdit(); }
    QLineEdit* PasswordEdit() const noexcept { return identification_->PasswordEdit(); }
    QPushButton* TestButton() const noexcept { return test_; }
    QPushButton* AdvancedButton() const noexcept { return advanced_; }
    CBackgroundTask& TestTask() const noexcept { return *testTask_; }

private:
    void ApplyDriver(const QString& driver);
    void ApplyDsnType(int type);
    void ApplyIdentification();
    void UpdateEnabled();

    CController& controller_;
    IPrompter& prompter_;
    QComboBox* driver_;
    QButtonGroup* dsnType_;
    QComboBox* dsn_;
    CFileNameField* fileDsn_;
    QGroupBox* fileGroup_;
    CFileNameField* file_;
    CIdentificationBox* identification_;
    QPushButton* advanced_;
    QPushButton* test_;
    CBackgroundTask* testTask_;
    std::function<void()> advancedHandler_;
    bool refreshing_ = false;
};
