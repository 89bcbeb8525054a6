#pragma once

#include <QDialog>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "run/DVRun.h"

class IPrompter;
class QLabel;
class QPushButton;

// The modal "Transforming" dialog: shows source and target, starts the run
// 100 ms after it opened (so it is painted first), keeps the window alive
// through the progress callback, offers Cancel, and reports the outcome.
// Input in the half second after the run is swallowed, so a click meant for
// Cancel cannot answer "View result?"; a Cancel confirmed after the last row
// is told that the run had finished anyway.
class CTransformDlg : public QDialog {
    Q_OBJECT

public:
    struct Outcome {
        int32_t code = 0;
        std::string errorText;   // message and detail of a failed run
        std::string outputFile;  // what "View result?" opens
    };
    // Runs the definition, calling progress as the run driver does.
    using RunFunction = std::function<Outcome(const DVRun::ProgressCallback& progress)>;
    // Milliseconds from any fixed point.
    using Clock = std::function<int64_t()>;
    // How long input is swallowed between the end of the run and the
    // completion question.
    static constexpr int64_t kSettleMs = 500;

    struct Elapsed {
        int decimals;
        double value;
        const char* unit;
    };
    // Below 1000 ms in milliseconds without decimals, from 1000 ms in seconds
    // with two.
    static Elapsed FormatElapsed(int64_t milliseconds);
    static QString CompletionQuestion(int32_t rows, int64_t milliseconds);
    static QString ProgressText(int32_t rows);
    static QString ReadProgressText(int64_t records);

    CTransformDlg(QWidget* parent, IPrompter& prompter, const QString& source,
                  const QString& target, RunFunction run, Clock clock = {});

    // The progress callback: shows the count, dispatches pending events so the
    // window repaints and Cancel works, and answers whether to go on.
    bool Progress(int32_t rows);
    // The same while records are read and none written (sorting, or rows a
    // filter rejects), with how many were read.
    bool ReadProgress(int64_t records);

    const QString& SourceTargetText() const noexcept { return sourceTarget_; }
    QString ProgressLine() const;
    bool IsRunning() const noexcept { return running_; }
    bool CancelRequested() const noexcept { return cancelRequested_; }
    QPushButton* CancelButton() const noexcept { return cancel_; }
    // Mouse and key events swallowed before the last question.
    int SwallowedInput() const noexcept { return swallowedInput_; }

public slots:
    // Cancel, Escape, Enter and closing the window all come here.
    void reject() override;

private:
    void Run();
    void SettleInput(int64_t finished);
    void ViewResult(const std::string& outputFile);

    IPrompter& prompter_;
    RunFunction run_;
    Clock clock_;
    QString sourceTarget_;
    QLabel* sourceLabel_;
    QLabel* progressLabel_;
    QPushButton* cancel_;
    QTimer timer_;
    bool running_ = false;
    bool cancelRequested_ = false;
    int32_t lastRows_ = 0;
    int swallowedInput_ = 0;
};
