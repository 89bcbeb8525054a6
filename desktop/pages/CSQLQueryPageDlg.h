#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "model/DVFile.h"

class CBackgroundTask;
class CController;
class IPrompter;
class QButtonGroup;
class QComboBox;
class QPlainTextEdit;
class QPushButton;

// "Table Selection" of database sources: a table or view of the source, or
// an SQL query, and Test, which opens the selection for one row (and so
// brings the columns in line with it).
class CSQLQueryPageDlg : public QWidget {
    Q_OBJECT

public:
    CSQLQueryPageDlg(CController& controller, IPrompter& prompter, QWidget* parent = nullptr);

    // Lists the database's tables (a seam for tests; DatabaseCatalog by
    // default).
    using TableLister =
        std::function<std::vector<std::string>(const DVFile& definition, std::string& error)>;

    // Shows the definition's selection; with reloadTables, lists the tables
    // again when the connection settings changed (PreviewKeys::Connection).
    void Refresh(bool reloadTables);
    void SetTableLister(TableLister lister);
    // Drops the listing in progress and forgets which connection was listed.
    void CancelTables();
    // Applies a query still being typed.
    void CommitEdits();

    QComboBox* TableBox() const noexcept { return table_; }
    QPlainTextEdit* QueryEdit() const noexcept { return query_; }
    QPushButton* TestButton() const noexcept { return test_; }
    QButtonGroup* SelectionGroup() const noexcept { return type_; }
    CBackgroundTask& TableTask() const noexcept { return *tablesTask_; }
    CBackgroundTask& TestTask() const noexcept { return *testTask_; }

private:
    void ApplyQuery();
    void Test();

    CController& controller_;
    IPrompter& prompter_;
    QButtonGroup* type_;
    QComboBox* table_;
    QPlainTextEdit* query_;
    QPushButton* test_;
    QTimer queryDelay_;
    CBackgroundTask* tablesTask_;
    CBackgroundTask* testTask_;
    bool refreshing_ = false;
    TableLister lister_;
    std::string tablesKey_;  // the connection listed (or being listed)
};
