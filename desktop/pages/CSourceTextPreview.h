#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <string>

#include "model/DVFile.h"

class CBackgroundTask;

// The start of a text source as the reader decodes it, read off the user
// interface thread; empty for database sources and unreadable files. Read
// again only when the file or the source type changed (PreviewKeys).
class CSourceTextPreview : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr const char* kUpdating = "Updating preview...";

    explicit CSourceTextPreview(QWidget* parent = nullptr);

    // Reads a file's start (a seam for tests; SourceReading by default).
    using Reader = std::function<std::string(const std::string& path)>;

    void Update(const DVFile& definition);
    void SetReader(Reader reader);
    CBackgroundTask& Task() const noexcept { return *task_; }
    // The text shown once loaded (not the "Updating" note).
    const QString& SourceText() const noexcept { return text_; }

signals:
    void TextLoaded(const QString& text);

private:
    CBackgroundTask* task_;
    QString text_;
    Reader reader_;
    std::string key_;  // what the text shown (or being read) was read from
};
