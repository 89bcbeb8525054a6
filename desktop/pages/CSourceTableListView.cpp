#include "CSourceTableListView.h"

#include <QHeaderView>
#include <QPointer>

#include "CBackgroundTask.h"
#include "workbench/SourceReading.h"

CSourceTableListView::CSourceTableListView(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("TablePreview"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    task_ = new CBackgroundTask(this);
}

void CSourceTableListView::Update(const DVFile& definition) {
    clear();
    setRowCount(0);
    setColumnCount(1);
    setHorizontalHeaderLabels({tr("Updating preview...")});
    error_.clear();
    QPointer<CSourceTableListView> self(this);
    task_->Start(
        [copy = definition, self](const CBackgroundTask::KeepGoing& keepGoing) {
            SourceReading::TablePreview preview =
                SourceReading::ReadTablePreview(copy, SourceReading::kPreviewRows, keepGoing);
            return [self, preview = std::move(preview)] {
                if (!self) {
                    return;
                }
                self->error_ = QString::fromStdString(preview.error);
                QStringList headers;
                for (const std::string& name : preview.columns) {
                    headers << QString::fromStdString(name);
                }
                self->setColumnCount(static_cast<int>(headers.size()));
                self->setHorizontalHeaderLabels(headers);
                self->setRowCount(static_cast<int>(preview.rows.size()));
                for (size_t r = 0; r < preview.rows.size(); ++r) {
                    const auto& row = preview.rows[r];
                    for (size_t c = 0; c < row.size() && c < preview.columns.size(); ++c) {
                        self->setItem(static_cast<int>(r), static_cast<int>(c),
                                      new QTableWidgetItem(QString::fromStdString(row[c])));
                    }
                }
                if (headers.isEmpty() && !self->error_.isEmpty()) {
                    self->setColumnCount(1);
                    self->setHorizontalHeaderLabels({tr("Error")});
                    self->setRowCount(1);
                    self->setItem(0, 0, new QTableWidgetItem(self->error_));
                    self->resizeRowToContents(0);
                }
                self->resizeColumnsToContents();
            };
        },
        150);
}
