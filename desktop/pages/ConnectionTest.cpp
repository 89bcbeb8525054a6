#include "ConnectionTest.h"

#include <QPointer>
#include <QPushButton>

#include "CBackgroundTask.h"
#include "frame/DocumentNames.h"
#include "frame/IPrompter.h"
#include "workbench/DatabaseCatalog.h"

void StartConnectionTest(CBackgroundTask& task, IPrompter& prompter, QPushButton* button,
                         const DVFile& definition) {
    QPointer<QPushButton> guard(button);
    button->setEnabled(false);
    button->window()->setCursor(Qt::BusyCursor);
    task.Start([copy = definition, &prompter, guard](const CBackgroundTask::KeepGoing&) {
        const std::string error = DatabaseCatalog::TestConnection(copy);
        return [error, &prompter, guard] {
            if (!guard) {
                return;
            }
            guard->setEnabled(true);
            guard->window()->unsetCursor();
            const bool ok = error.empty();
            prompter.Message(
                guard->window(),
                ok ? QString::fromLatin1(kConnectionSuccess) : QString::fromStdString(error),
                QString::fromLatin1(DocumentNames::kProductName), IPrompter::Buttons::kOk,
                ok ? IPrompter::Icon::kInformation : IPrompter::Icon::kError);
        };
    });
}
