#pragma once

#include <QTableWidget>

#include "model/DVFile.h"

class CBackgroundTask;

// "Preview ( first 100 rows )" of a database selection, read off the user
// interface thread.
class CSourceTableListView : public QTableWidget {
    Q_OBJECT

public:
    explicit CSourceTableListView(QWidget* parent = nullptr);

    void Update(const DVFile& definition);
    CBackgroundTask& Task() const noexcept { return *task_; }
    // The error of the last preview, shown in place of the rows.
    const QString& Error() const noexcept { return error_; }

private:
    CBackgroundTask* task_;
    QString error_;
};
