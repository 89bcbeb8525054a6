#include "GenerateSchema.h"

#include <QObject>
#include <filesystem>
#include <vector>

#include "base/PlatformError.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/DocumentNames.h"
#include "frame/IPrompter.h"
#include "run/ColumnDiscovery.h"
#include "run/ResultMessages.h"
#include "schema/SchemaGenerator.h"

namespace {

// The definition's name with .xsd, else the target's, else "schema.xsd".
QString StartName(const CController& controller) {
    std::filesystem::path base = controller.Path();
    if (base.empty()) {
        base = controller.Definition().Settings().targetfilename;
    }
    if (base.empty()) {
        return QStringLiteral("schema.xsd");
    }
    return QString::fromStdString(base.replace_extension(".xsd").string());
}

Status Write(const DVFile& definition, const std::string& path, std::vector<std::string>& written) {
    DVFile copy = definition;
    try {
        // A run takes the columns (and nodes) of a definition without any
        // from its source; the schema describes that tree.
        if (copy.Columns().empty()) {
            Status read = ColumnDiscovery::ReadColumns(copy, 1);
            if (!read.IsOk()) {
                return read;
            }
        }
        return SchemaGenerator::WriteFiles(copy, path, &written);
    } catch (const Norvik::PlatformError& error) {
        return {kTargetFileWrite, error.Description()};
    }
}

}  // namespace

void GenerateSchema(QWidget* parent, CController& controller, IPrompter& prompter) {
    const QString caption = QObject::tr("Generate Schema");
    const QString chosen =
        prompter.SaveFileName(parent, caption, StartName(controller),
                              QObject::tr("XML Schema (*.xsd);;All files (*)"), "xsd");
    if (chosen.isEmpty()) {
        return;
    }
    const std::string path = chosen.toStdString();
    std::vector<std::string> written;
    const Status status = Write(controller.Definition(), path, written);
    if (!status.IsOk()) {
        DVFile named = controller.Definition();
        named.SetTargetFileName(path);  // the file a failure to write names
        prompter.Message(parent,
                         QString::fromStdString(StatusMessage(status, named, controller.Path())),
                         caption, IPrompter::Buttons::kOk, IPrompter::Icon::kError);
        return;
    }
    QString files;
    for (const std::string& file : written) {
        files += "\r\n" + QString::fromStdString(file);
    }
    const QString question =
        QObject::tr(
            "The schema was written to:%1\r\n\r\nValidate the output against it from "
            "now on?")
            .arg(files);
    if (prompter.Message(parent, question, caption, IPrompter::Buttons::kYesNo,
                         IPrompter::Icon::kQuestion) == IPrompter::Answer::kYes &&
        controller.Definition().SetValidateSchema(path)) {
        controller.Changed(ChangeCode::kOutput);
    }
}
