#include "CTransformDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

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

void CTransformDlg::Run() {
    timer_.stop();
    if (running_) {
        return;
    }
    running_ = true;
    const int64_t start = clock_();
    const Outcome outcome = run_([this](int32_t rows) { return Progress(rows); });
    running_ = false;
    const int64_t elapsed = clock_() - start;
    if (cancelRequested_) {
        QDialog::reject();
        return;
    }
    hide();
    if (outcome.code != kSuccess) {
        prompter_.Message(parentWidget(),
                          QStringLiteral("Transformation Failed!\r\n\r\n") +
                              QString::fromStdString(outcome.errorText),
                          kCaption, IPrompter::Buttons::kOk, IPrompter::Icon::kError);
    } else if (prompter_.Message(parentWidget(), CompletionQuestion(lastRows_, elapsed), kCaption,
                                 IPrompter::Buttons::kYesNo,
                                 IPrompter::Icon::kQuestion) == IPrompter::Answer::kYes) {
        prompter_.OpenUrl(QUrl::fromLocalFile(
            QFileInfo(QString::fromStdString(outcome.outputFile)).absoluteFilePath()));
    }
    done(outcome.code == kSuccess ? QDialog::Accepted : QDialog::Rejected);
}
