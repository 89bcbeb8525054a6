#pragma once

#include <QStringList>
#include <deque>
#include <vector>

#include "frame/IPrompter.h"

// Answers prompts from a script and records what was asked, so tests drive
// every message box and file dialog without a person.
class ScriptedPrompter : public IPrompter {
public:
    struct Shown {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
    };

    std::deque<Answer> answers;       // for Message; kCancel / kNo / kOk when empty
    std::deque<QString> fileNames;    // for the file dialogs; "" when empty
    std::vector<Shown> messages;
    std::vector<QString> fileDialogFilters;
    std::vector<QString> fileDialogSuffixes;
    std::vector<QUrl> openedUrls;
    bool openUrlResult = true;
    QStringList abouts;
    // Called while a message is "shown", before it is answered.
    std::function<void(const Shown&)> onMessage;

    Answer Message(QWidget*, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override {
        messages.push_back({text, caption, buttons, icon});
        if (onMessage) {
            onMessage(messages.back());
        }
        if (!answers.empty()) {
            const Answer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        switch (buttons) {
            case Buttons::kOk: return Answer::kOk;
            case Buttons::kYesNo: return Answer::kNo;
            default: return Answer::kCancel;
        }
    }
    QString OpenFileName(QWidget*, const QString&, const QString&, const QString& filter,
                         const QString& suffix) override {
        return NextFile(filter, suffix);
    }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString& filter,
                         const QString& suffix) override {
        return NextFile(filter, suffix);
    }
    bool OpenUrl(const QUrl& url) override {
        openedUrls.push_back(url);
        return openUrlResult;
    }
    void About(QWidget*, const QString& caption, const QString& text) override {
        abouts << caption + '|' + text;
    }

private:
    QString NextFile(const QString& filter, const QString& suffix) {
        fileDialogFilters.push_back(filter);
        fileDialogSuffixes.push_back(suffix);
        if (fileNames.empty()) {
            return {};
        }
        QString name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};
