#include "SchemaImport.h"

#include <QFutureWatcher>
#include <QProgressDialog>
#include <QtConcurrent>
#include <memory>

#include "controller/CController.h"
#include "import/SchemaImport.h"

namespace {

// What the worker hands back; shared, so a cancelled import can finish
// alone without anyone waiting for it.
struct ImportState {
    bool ok = false;
    std::string error;
    DVFile definition;
};

}  // namespace

SchemaImportOutcome ImportSchemaInBackground(QWidget* parent, CController& controller,
                                             const DVFile& start, const std::string& path,
                                             int32_t kind) {
    SchemaImportOutcome outcome;
    const uint64_t serial = controller.ChangeSerial();
    auto state = std::make_shared<ImportState>();
    state->definition = start;

    QProgressDialog busy(QObject::tr("Importing %1 ...").arg(QString::fromStdString(path)),
                         QObject::tr("Cancel"), 0, 0, parent);
    busy.setWindowTitle(QObject::tr("Import XML Schema"));
    busy.setWindowModality(Qt::WindowModal);
    busy.setMinimumDuration(300);
    busy.setAutoClose(false);
    busy.setAutoReset(false);
    bool finished = false;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &busy, [&finished, &busy] {
        finished = true;
        busy.done(QDialog::Accepted);
    });
    watcher.setFuture(QtConcurrent::run([state, path, kind] {
        try {
            state->ok = ImportSchema(state->definition, path, kind);
            state->error = state->definition.GetLastError();
        } catch (const std::exception& failure) {
            state->error = failure.what();
        }
    }));
    busy.exec();
    if (!finished) {
        // Cancelled: the worker ends on its own (fetches time out); its
        // result is dropped.
        outcome.cancelled = true;
        return outcome;
    }
    outcome.error = state->error;
    if (state->ok && controller.ChangeSerial() == serial) {
        controller.Definition() = state->definition;
        outcome.imported = true;
    } else if (state->ok) {
        outcome.cancelled = true;  // the definition changed meanwhile
    }
    return outcome;
}
