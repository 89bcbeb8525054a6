#include "COutputTextPreview.h"

#include <QFontDatabase>
#include <QPointer>
#include <QTextBlock>
#include <algorithm>

#include "CBackgroundTask.h"
#include "workbench/PreviewValidation.h"
#include "workbench/SourceReading.h"

namespace {

size_t CharacterCount(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

COutputTextPreview::COutputTextPreview(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("OutputPreview"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setTabStopDistance(4 * fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    task_ = new CBackgroundTask(this);
}

void COutputTextPreview::Update(const DVFile& definition) {
    setPlainText(QString::fromLatin1(kUpdating));
    MarkLine(0);
    QPointer<COutputTextPreview> self(this);
    task_->Start(
        [copy = definition, self](const CBackgroundTask::KeepGoing& keepGoing) {
            const std::string output = SourceReading::RunOutputPreview(copy, keepGoing);
            // The preview keeps at most kPreviewChars characters: that many
            // means it may have been cut.
            const bool truncated = CharacterCount(output) >= SourceReading::kPreviewChars;
            const PreviewValidation::Outcome outcome =
                !keepGoing || keepGoing()
                    ? PreviewValidation::Check(copy.Settings().validateschema, output, truncated)
                    : PreviewValidation::Outcome{};
            QString text = QString::fromStdString(output);
            text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            return [self, text = std::move(text), outcome] {
                if (!self) {
                    return;
                }
                self->setPlainText(text);
                QString status;
                if (outcome.checked && outcome.valid) {
                    status = tr("Valid against the validation schema.");
                } else if (outcome.checked && outcome.line > 0) {
                    status = tr("Not valid against the validation schema: line %1, column %2: %3")
                                 .arg(outcome.line)
                                 .arg(outcome.column)
                                 .arg(QString::fromStdString(outcome.message).trimmed());
                } else if (outcome.checked) {
                    status = tr("The validation schema cannot be used: %1")
                                 .arg(QString::fromStdString(outcome.message).trimmed());
                }
                self->MarkLine(outcome.checked && !outcome.valid ? outcome.line : 0);
                self->validation_ = status;
                emit self->ValidationChanged(status, !outcome.checked || outcome.valid);
            };
        },
        150);
}

void COutputTextPreview::MarkLine(int line) {
    errorLine_ = line;
    QList<QTextEdit::ExtraSelection> marks;
    const QTextBlock block = line > 0 ? document()->findBlockByNumber(line - 1) : QTextBlock();
    if (block.isValid()) {
        QTextEdit::ExtraSelection mark;
        mark.format.setBackground(QColor(255, 205, 205));
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        mark.cursor = QTextCursor(block);
        marks << mark;
        setTextCursor(mark.cursor);
        centerCursor();
    } else {
        errorLine_ = 0;
    }
    setExtraSelections(marks);
}
