#pragma once

#include <QTableWidget>
#include <functional>
#include <optional>
#include <string>

#include "model/DVFile.h"
#include "workbench/SourceReading.h"

class CBackgroundTask;

// "Preview ( first 100 rows )" of a database selection, read off the user
// interface thread. The rows are read again only when what they are read
// with changed (PreviewKeys::Selection); a change of the columns' formats
// formats the rows already read again.
class CSourceTableListView : public QTableWidget {
    Q_OBJECT

public:
    explicit CSourceTableListView(QWidget* parent = nullptr);

    // Reads the rows (a seam for tests; SourceReading by default).
    using Reader = std::function<SourceReading::TablePreview(
        const DVFile& definition, const SourceReading::KeepGoing& keepGoing)>;

    void Update(const DVFile& definition);
    void SetReader(Reader reader);
    // Drops the request in progress and what was read.
    void Cancel();
    CBackgroundTask& Task() const noexcept { return *task_; }
    // The error of the last preview, shown in place of the rows.
    const QString& Error() const noexcept { return error_; }

private:
    void Show(const SourceReading::TablePreview& preview);

    CBackgroundTask* task_;
    QString error_;
    Reader reader_;
    std::string key_;  // what inputs_ were (or are being) read with
    bool haveInputs_ = false;
    SourceReading::TablePreview inputs_;
    // A change of formats while the rows are read: they are shown in these.
    std::optional<DVFile> reformat_;
};
