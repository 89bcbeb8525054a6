#pragma once

#include <QString>

class IPrompter;
class QWidget;

// The user guide: HTML pages installed beside the program, opened in the
// desktop's browser at the topic of the active page or dialog.
class CHelp {
public:
    CHelp(QString folder, IPrompter& prompter);

    // <program folder>/../share/doc/datavane/help, in the build tree and
    // installed alike.
    static QString DefaultFolder();
    const QString& Folder() const noexcept { return folder_; }
    void SetFolder(QString folder) { folder_ = std::move(folder); }

    // Opens the topic; when the guide is missing, says so in an error box.
    bool Show(QWidget* parent, int topic);

private:
    QString folder_;
    IPrompter* prompter_;
};
