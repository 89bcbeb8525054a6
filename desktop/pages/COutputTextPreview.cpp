#include "COutputTextPreview.h"

#include <QFontDatabase>
#include <QPointer>

#include "CBackgroundTask.h"
#include "workbench/SourceReading.h"

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
    QPointer<COutputTextPreview> self(this);
    task_->Start(
        [copy = definition, self](const CBackgroundTask::KeepGoing& keepGoing) {
            QString text = QString::fromStdString(SourceReading::RunOutputPreview(copy, keepGoing));
            text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            return [self, text = std::move(text)] {
                if (self) {
                    self->setPlainText(text);
                }
            };
        },
        150);
}
