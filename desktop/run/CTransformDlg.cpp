#include "CTransformDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include "CInputGuard.h"
#include "frame/IPrompter.h"

namespace {

const QString kCaption = QStringLiteral("Transforming");

QString ForDisplay(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace

CTransformDlg::Elapsed CTransformDlg::FormatElapsed(int64_t milliseconds) {
    if (milliseconds < 1000) {
        return {0, static_cast<double>(milliseconds), "milliseconds"};
    }
    return {2, static_cast<double>(milliseconds) / 1000.0, "seconds"};
}

QString CTransformDlg::CompletionQuestion(int32_t rows, int64_t milliseconds) {
    const Elapsed elapsed = FormatElapsed(milliseconds);
    return QString::asprintf(
        "Transformation completed!\n\nProcessed %d rows in %.*f %s.\n\nView result?", rows,
        elapsed.decimals, elapsed.value, elapsed.unit);
}

QString CTransformDlg::ProgressText(int32_t rows) {
    return rows < 0 ? QStringLiteral("Progress:\t Connecting")
                    : QString::asprintf("Progress:\t Transformed %d Rows", rows);
}

QString CTransformDlg::ReadProgressText(int64_t records) {
    return QString::asprintf("Progress:\t Read %lld Rows", static_cast<long long>(records));
}

CTransformDlg::CTransformDlg(QWidget* parent, IPrompter& prompter, const QString& source,
                             const QString& target, RunFunction run, Clock clock)
    : QDialog(parent), prompter_(prompter), run_(std::move(run)), clock_(std::move(clock)) {
    if (!clock_) {
        clock_ = [] {
            static QElapsedTimer timer = [] {
                QElapsedTimer started;
                started.start();
                return started;
            }();
            return timer.elapsed();
        };
    }
    setWindowTitle(kCaption);
    setModal(true);
    sourceTarget_ = QStringLiteral("Source:\t%1\r\nTarget:\t%2").arg(source, target);
    sourceLabel_ = new QLabel(ForDisplay(sourceTarget_), this);
    sourceLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sourceLabel_->setWordWrap(true);
    progressLabel_ = new QLabel(this);
    progressLabel_->setObjectName(QStringLiteral("progress"));
    auto* buttons = new QDialogButtonBox(this);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &CTransformDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sourceLabel_);
    layout->addSpacing(8);
    layout->addWidget(progressLabel_);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    Progress(0);
    timer_.setSingleShot(true);
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &CTransformDlg::Run);
    timer_.start();
}

QString CTransformDlg::ProgressLine() const {
    return progressLabel_->text();
}

bool CTransformDlg::Progress(int32_t rows) {
    lastRows_ = rows;
    progressLabel_->setText(ProgressText(rows));
    if (running_) {
        QApplication::processEvents(QEventLoop::AllEvents);
    }
    return !cancelRequested_;
}

bool CTransformDlg::ReadProgress(int64_t records) {
    progressLabel_->setText(ReadProgressText(records));
    if (running_) {
        QApplication::processEvents(QEventLoop::AllEvents);
    }
    return !cancelRequested_;
}

void CTransformDlg::reject() {
    if (!running_) {
        timer_.stop();
        QDialog::reject();
        return;
    }
    if (prompter_.Message(this, QStringLiteral("Cancel Transformation?"), kCaption,
                          IPrompter::Buttons::kYesNo,
                          IPrompter::Icon::kQuestion) == IPrompter::Answer::kYes) {
        cancelRequested_ = true;
    }
}

void CTransformDlg::SettleInput(int64_t finished) {
    // A click or key meant for Cancel while the last rows were written must
    // not answer the question that follows: input is swallowed for a moment.
    // The dialog's clock decides (tests advance it); real time bounds the
    // wait when that clock stands still.
    CInputGuard guard;
    QElapsedTimer real;
    real.start();
    while (clock_() - finished < kSettleMs && real.elapsed() < kSettleMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    swallowedInput_ = guard.Swallowed();
}

void CTransformDlg::Run() {
    timer_.stop();
    if (running_) {
        return;
    }
    running_ = true;
    const int64_t start = clock_();
    const Outcome outcome = run_([this](int32_t rows) { return Progress(rows); });
    running_ = false;
    const int64_t finished = clock_();
    const int64_t elapsed = finished - start;
    // A Cancel confirmed after the last row came too late to stop anything.
    const bool finishedAnyway = cancelRequested_ && outcome.code == kSuccess;
    if (cancelRequested_ && !finishedAnyway) {
        QDialog::reject();
        return;
    }
    cancel_->setEnabled(false);
    SettleInput(finished);
    hide();
    if (outcome.code != kSuccess) {
        prompter_.Message(parentWidget(),
                          QStringLiteral("Transformation Failed!\r\n\r\n") +
                              QString::fromStdString(outcome.errorText),
                          kCaption, IPrompter::Buttons::kOk, IPrompter::Icon::kError);
    } else {
        QString question = CompletionQuestion(lastRows_, elapsed);
        if (finishedAnyway) {
            question.prepend(
                tr("The transformation had already finished when it was "
                   "cancelled.\n\n"));
        }
        if (prompter_.Message(parentWidget(), question, kCaption, IPrompter::Buttons::kYesNo,
                              IPrompter::Icon::kQuestion) == IPrompter::Answer::kYes) {
            ViewResult(outcome.outputFile);
        }
    }
    done(outcome.code == kSuccess ? QDialog::Accepted : QDialog::Rejected);
}

void CTransformDlg::ViewResult(const std::string& outputFile) {
    const QString path = QFileInfo(QString::fromStdString(outputFile)).absoluteFilePath();
    if (!prompter_.OpenUrl(QUrl::fromLocalFile(path))) {
        prompter_.Message(parentWidget(),
                          tr("No application is set up to open XML files.\r\n\r\n"
                             "The result is in %1")
                              .arg(path),
                          kCaption, IPrompter::Buttons::kOk, IPrompter::Icon::kInformation);
    }
}
