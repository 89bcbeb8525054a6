#include "RunTransform.h"

#include "CTransformDlg.h"
#include "base/PlatformError.h"
#include "controller/CController.h"
#include "frame/DocumentNames.h"
#include "frame/IPrompter.h"
#include "run/ResultMessages.h"
#include "workbench/SourceSettings.h"

namespace {

// The run itself, on a copy of the definition so the editor's stays as it is.
CTransformDlg::Outcome RunCopy(const DVFile& definition, const std::string& path,
                               const DVRun::ProgressCallback& progress,
                               DVRun::ReadProgressCallback readProgress) {
    CTransformDlg::Outcome outcome;
    DVRun run(definition);
    run.SetDefinitionPath(path);
    run.SetReadProgress(std::move(readProgress));
    try {
        outcome.code = run.Run(progress);
    } catch (const Norvik::PlatformError& error) {
        outcome.code = kTargetFileWrite;
        outcome.errorText = error.Description();
        return outcome;
    } catch (const std::exception& error) {
        outcome.code = kTargetFileWrite;
        outcome.errorText = error.what();
        return outcome;
    }
    if (outcome.code != kSuccess) {
        outcome.errorText = run.GetResultText(outcome.code);
    }
    outcome.outputFile = run.OutputFileNames().empty() ? definition.Settings().targetfilename
                                                       : run.OutputFileNames().front();
    return outcome;
}

}  // namespace

QString SourceDescription(const DVFile& definition) {
    const DVFileSettings& settings = definition.Settings();
    if (settings.sourcetype != DVFileSettings::kOdbc) {
        return QString::fromStdString(settings.sourcefilename);
    }
    if (settings.dsntype != 0 && !settings.filedsn.empty()) {
        return QString::fromStdString(settings.filedsn);
    }
    if (!settings.usersysdsn.empty()) {
        return QString::fromStdString(settings.usersysdsn);
    }
    return QString::fromStdString(settings.odbcdriver);
}

void RunTransform(QWidget* parent, CController& controller, IPrompter& prompter) {
    const DVFile& definition = controller.Definition();
    Status checked;
    try {
        checked = SourceSettings::CheckRun(definition);
    } catch (const Norvik::PlatformError&) {
        checked = kInvalidArgument;
    }
    if (!checked.IsOk()) {
        prompter.Message(
            parent,
            QString::fromStdString(ResultMessage(checked.Code(), definition, controller.Path())),
            QString::fromLatin1(DocumentNames::kProductName), IPrompter::Buttons::kOk,
            IPrompter::Icon::kInformation);
        return;
    }
    const DVFile copy = definition;
    const std::string path = controller.Path();
    CTransformDlg* shown = nullptr;
    CTransformDlg dialog(parent, prompter, SourceDescription(definition),
                         QString::fromStdString(definition.Settings().targetfilename),
                         [&copy, &path, &shown](const DVRun::ProgressCallback& progress) {
                             return RunCopy(copy, path, progress, [&shown](int64_t records) {
                                 return shown->ReadProgress(records);
                             });
                         });
    shown = &dialog;
    dialog.exec();
}
