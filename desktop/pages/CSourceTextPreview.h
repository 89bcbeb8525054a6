#pragma once

#include <QPlainTextEdit>

#include "model/DVFile.h"

class CBackgroundTask;

// The start of a text source as the reader decodes it, read off the user
// interface thread; empty for database sources and unreadable files.
class CSourceTextPreview : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr const char* kUpdating = "Updating preview...";

    explicit CSourceTextPreview(QWidget* parent = nullptr);

    void Update(const DVFile& definition);
    CBackgroundTask& Task() const noexcept { return *task_; }
    // The text shown once loaded (not the "Updating" note).
    const QString& SourceText() const noexcept { return text_; }

signals:
    void TextLoaded(const QString& text);

private:
    CBackgroundTask* task_;
    QString text_;
};
