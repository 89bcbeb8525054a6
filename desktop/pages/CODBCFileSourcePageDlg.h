#pragma once

#include <QWidget>

#include "CIdentificationBox.h"

class CBackgroundTask;
class CController;
class CFileNameField;
class IPrompter;
class QLineEdit;
class QPushButton;

// The Excel workbook and Access database form: the file, identification and
// Test. The Browse filter lists the extensions the type's driver declares.
class CODBCFileSourcePageDlg : public QWidget {
    Q_OBJECT

public:
    CODBCFileSourcePageDlg(CController& controller, IPrompter& prompter, QWidget* parent = nullptr);

    void Refresh();
    // "Microsoft Excel Files (*.xlsx *.xls)" and the like, for a source type.
    static QString FileFilter(int sourceType, const std::string& driver);

    CFileNameField* FileField() const noexcept { return file_; }
    QLineEdit* UserEdit() const noexcept { return identification_->UserEdit(); }
    QLineEdit* PasswordEdit() const noexcept { return identification_->PasswordEdit(); }
    QPushButton* TestButton() const noexcept { return test_; }
    CBackgroundTask& TestTask() const noexcept { return *testTask_; }

private:
    void ApplyIdentification();

    CController& controller_;
    IPrompter& prompter_;
    CFileNameField* file_;
    CIdentificationBox* identification_;
    QPushButton* test_;
    CBackgroundTask* testTask_;
    bool refreshing_ = false;
};
