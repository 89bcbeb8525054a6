#pragma once

#include "IPrompter.h"

// The real prompts: QMessageBox, QFileDialog and QDesktopServices.
class CQtPrompter : public IPrompter {
public:
    Answer Message(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& start,
                         const QString& filter, const QString& defaultSuffix) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& start,
                         const QString& filter, const QString& defaultSuffix) override;
    bool OpenUrl(const QUrl& url) override;
    void About(QWidget* parent, const QString& caption, const QString& text) override;
};
