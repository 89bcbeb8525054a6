#pragma once

#include <QPlainTextEdit>

#include "model/DVFile.h"

class CBackgroundTask;

// "Output Preview ( first 100 rows )": the XML the definition produces for
// its first rows, or the error text of a failed run. Computed off the user
// interface thread on a copy of the definition; a newer change supersedes
// (and stops) an older preview. When the definition names a validation
// schema, the same work checks the XML shown (PreviewValidation) and the
// first error's line is marked.
class COutputTextPreview : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr const char* kUpdating = "Updating preview...";

    explicit COutputTextPreview(QWidget* parent = nullptr);

    void Update(const DVFile& definition);
    CBackgroundTask& Task() const noexcept { return *task_; }
    // What the last check found: empty when nothing was checked.
    const QString& ValidationText() const noexcept { return validation_; }
    // The marked line (1-based), 0 when none.
    int ErrorLine() const noexcept { return errorLine_; }

signals:
    // After every preview: the check's text (empty when nothing was
    // checked) and whether the XML shown is valid.
    void ValidationChanged(const QString& text, bool valid);

private:
    void MarkLine(int line);

    CBackgroundTask* task_;
    QString validation_;
    int errorLine_ = 0;
};
