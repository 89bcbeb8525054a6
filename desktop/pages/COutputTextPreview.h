#pragma once

#include <QPlainTextEdit>

#include "model/DVFile.h"

class CBackgroundTask;

// "Output Preview ( first 100 rows )": the XML the definition produces for
// its first rows, or the error text of a failed run. Computed off the user
// interface thread on a copy of the definition; a newer change supersedes
// (and stops) an older preview.
class COutputTextPreview : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr const char* kUpdating = "Updating preview...";

    explicit COutputTextPreview(QWidget* parent = nullptr);

    void Update(const DVFile& definition);
    CBackgroundTask& Task() const noexcept { return *task_; }

private:
    CBackgroundTask* task_;
};
