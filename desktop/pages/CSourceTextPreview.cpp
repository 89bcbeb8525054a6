#include "CSourceTextPreview.h"

#include <QFontDatabase>
#include <QPointer>

#include "CBackgroundTask.h"
#include "PreviewKeys.h"
#include "workbench/SourceReading.h"

CSourceTextPreview::CSourceTextPreview(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("SourcePreview"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setTabStopDistance(4 * fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    task_ = new CBackgroundTask(this);
    reader_ = [](const std::string& path) { return SourceReading::ReadSourceText(path); };
}

void CSourceTextPreview::SetReader(Reader reader) {
    reader_ = std::move(reader);
    key_.clear();
}

void CSourceTextPreview::Update(const DVFile& definition) {
    std::string key = PreviewKeys::SourceText(definition);
    if (key == key_) {
        return;
    }
    key_ = std::move(key);
    const DVFileSettings& settings = definition.Settings();
    const bool text = settings.sourcetype == DVFileSettings::kDelimitedText ||
                      settings.sourcetype == DVFileSettings::kFixedWidthText;
    if (!text || settings.sourcefilename.empty()) {
        task_->Cancel();
        text_.clear();
        clear();
        emit TextLoaded(text_);
        return;
    }
    setPlainText(QString::fromLatin1(kUpdating));
    QPointer<CSourceTextPreview> self(this);
    task_->Start(
        [path = settings.sourcefilename, read = reader_, self](const CBackgroundTask::KeepGoing&) {
            QString loaded = QString::fromStdString(read(path));
            return [self, loaded = std::move(loaded)] {
                if (self) {
                    self->text_ = loaded;
                    self->setPlainText(loaded);
                    emit self->TextLoaded(loaded);
                }
            };
        },
        50);
}
