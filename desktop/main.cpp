#include <QApplication>
#include <QFile>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "DesktopProgram.h"
#include "controller/CController.h"
#include "frame/CFileTypeRegistration.h"
#include "frame/CMainFrame.h"
#include "frame/CQtPrompter.h"
#include "frame/CSettings.h"
#include "frame/CommandLine.h"

namespace {

std::string ProgramPath(const char* argv0) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::absolute(argv0).string() : self.string();
}

std::string IconSvg() {
    InitialiseDesktopResources();
    QFile icon(QStringLiteral(":/icons/datavane.svg"));
    return icon.open(QIODevice::ReadOnly) ? icon.readAll().toStdString() : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine command = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
        case CommandLine::Action::kHelp: std::fputs(CommandLine::Usage().c_str(), stdout); return 0;
        case CommandLine::Action::kVersion: std::puts("dv (Tarnwright Datavane) " DV_VERSION); return 0;
        case CommandLine::Action::kRegister:
            // A failure stops the registration quietly, as the desktop expects
            // of a registration switch.
            CFileTypeRegistration(CFileTypeRegistration::DataHome(), ProgramPath(argv[0]))
                .Register(IconSvg());
            return 0;
        case CommandLine::Action::kUnregister:
            CFileTypeRegistration(CFileTypeRegistration::DataHome(), ProgramPath(argv[0]))
                .Unregister();
            return 0;
        case CommandLine::Action::kOpen: break;
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tarnwright"));
    QApplication::setApplicationName(QStringLiteral("Datavane"));
    QApplication::setApplicationVersion(QStringLiteral(DV_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/datavane.svg")));
    QApplication::setDesktopFileName(QStringLiteral("datavane-dv"));

    CController controller(command.path);
    CQtPrompter prompter;
    CSettings settings;
    std::unique_ptr<CMainFrame> frame = CreateMainFrame(controller, prompter, settings);
    controller.New();
    frame->show();
    return application.exec();
}
