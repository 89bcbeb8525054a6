#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// Message boxes, file dialogs and the desktop's "open this" behind one small
// interface, so tests answer every prompt without a person.
class IPrompter {
public:
    enum class Buttons { kOk, kYesNo, kYesNoCancel };
    enum class Icon { kInformation, kWarning, kError, kQuestion };
    enum class Answer { kOk, kYes, kNo, kCancel };

    virtual ~IPrompter() = default;

    // Texts may hold CR LF line breaks, as the system's messages are written.
    virtual Answer Message(QWidget* parent, const QString& text, const QString& caption,
                           Buttons buttons, Icon icon) = 0;
    // An empty string when the user cancelled. filter: "Name (*.a *.b)" entries
    // separated by ";;".
    virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& start,
                                 const QString& filter, const QString& defaultSuffix) = 0;
    // Asks before replacing an existing file.
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& start,
                                 const QString& filter, const QString& defaultSuffix) = 0;
    // Opens a file or page with the desktop's default application.
    virtual bool OpenUrl(const QUrl& url) = 0;
    virtual void About(QWidget* parent, const QString& caption, const QString& text) = 0;
};
