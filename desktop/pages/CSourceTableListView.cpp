#include "CSourceTableListView.h"

#include <QHeaderView>
#include <QPointer>

#include "CBackgroundTask.h"
#include "PreviewKeys.h"

CSourceTableListView::CSourceTableListView(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("TablePreview"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    task_ = new CBackgroundTask(this);
    reader_ = [](const DVFile& definition, const SourceReading::KeepGoing& keepGoing) {
        return SourceReading::ReadTablePreviewInputs(definition, SourceReading::kPreviewRows,
                                                     keepGoing);
    };
}

void CSourceTableListView::SetReader(Reader reader) {
    reader_ = std::move(reader);
    Cancel();
}

void CSourceTableListView::Cancel() {
    task_->Cancel();
    key_.clear();
    haveInputs_ = false;
    reformat_.reset();
}

void CSourceTableListView::Update(const DVFile& definition) {
    std::string key = PreviewKeys::Selection(definition);
    if (key == key_) {
        if (haveInputs_) {
            Show(SourceReading::FormatTablePreview(inputs_, definition));
        } else {
            reformat_ = definition;  // the rows being read are shown so
        }
        return;
    }
    key_ = std::move(key);
    haveInputs_ = false;
    reformat_.reset();
    clear();
    setRowCount(0);
    setColumnCount(1);
    setHorizontalHeaderLabels({tr("Updating preview...")});
    error_.clear();
    QPointer<CSourceTableListView> self(this);
    task_->Start(
        [copy = definition, read = reader_, self](const CBackgroundTask::KeepGoing& keepGoing) {
            SourceReading::TablePreview inputs = read(copy, keepGoing);
            SourceReading::TablePreview preview = SourceReading::FormatTablePreview(inputs, copy);
            return [self, inputs = std::move(inputs), preview = std::move(preview)] {
                if (!self) {
                    return;
                }
                self->inputs_ = inputs;
                self->haveInputs_ = true;
                if (self->reformat_) {
                    self->Show(SourceReading::FormatTablePreview(inputs, *self->reformat_));
                    self->reformat_.reset();
                } else {
                    self->Show(preview);
                }
            };
        },
        150);
}

void CSourceTableListView::Show(const SourceReading::TablePreview& preview) {
    error_ = QString::fromStdString(preview.error);
    QStringList headers;
    for (const std::string& name : preview.columns) {
        headers << QString::fromStdString(name);
    }
    clear();
    setColumnCount(static_cast<int>(headers.size()));
    setHorizontalHeaderLabels(headers);
    setRowCount(static_cast<int>(preview.rows.size()));
    for (size_t r = 0; r < preview.rows.size(); ++r) {
        const auto& row = preview.rows[r];
        for (size_t c = 0; c < row.size() && c < preview.columns.size(); ++c) {
            setItem(static_cast<int>(r), static_cast<int>(c),
                    new QTableWidgetItem(QString::fromStdString(row[c])));
        }
    }
    if (headers.isEmpty() && !error_.isEmpty()) {
        setColumnCount(1);
        setHorizontalHeaderLabels({tr("Error")});
        setRowCount(1);
        setItem(0, 0, new QTableWidgetItem(error_));
        resizeRowToContents(0);
    }
    resizeColumnsToContents();
}
