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

    enum class Missing { kReport, kQuiet };
    // Opens the topic. When the guide is missing, kReport says so in an error
    // box; kQuiet only returns false (F1 is pressed too casually for a box).
    bool Show(QWidget* parent, int topic, Missing missing = Missing::kReport);
    // The file that holds the topic.
    QString TopicFile(int topic) const;

private:
    QString folder_;
    IPrompter* prompter_;
};
