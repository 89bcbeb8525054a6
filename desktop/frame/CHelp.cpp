#include "CHelp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "DocumentNames.h"
#include "HelpTopics.h"
#include "IPrompter.h"

namespace HelpTopic {

const char* Page(int topic) {
    switch (topic) {
        case kRunDialog:
            return "run.html";
        case kSourcePage:
            return "source.html";
        case kSelectionPage:
            return "selection.html";
        case kTargetPage:
            return "target.html";
        case kOutputPage:
            return "output.html";
        case kColumnSheet:
            return "sheets.html#column";
        case kFilterSheet:
            return "sheets.html#filters";
        case kSortSheet:
            return "sheets.html#sort";
        case kSourceOptionsSheet:
            return "sheets.html#source-options";
        case kOdbcAdvancedSheet:
            return "sheets.html#odbc-advanced";
        case kNodeSheet:
            return "sheets.html#node";
        case kOutputOptionsSheet:
            return "sheets.html#output-options";
        case kTargetOptionsSheet:
            return "sheets.html#target-options";
        case kAutoTextDialog:
            return "formats.html#tokens";
        case kImportDialog:
            return "import.html";
        default:
            return "index.html";
    }
}

}  // namespace HelpTopic

CHelp::CHelp(QString folder, IPrompter& prompter)
    : folder_(std::move(folder)), prompter_(&prompter) {}

QString CHelp::DefaultFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/doc/datavane/help"));
}

QString CHelp::TopicFile(int topic) const {
    const QString page = QString::fromLatin1(HelpTopic::Page(topic));
    return QDir(folder_).filePath(page.section('#', 0, 0));
}

bool CHelp::Show(QWidget* parent, int topic, Missing missing) {
    const QString anchor = QString::fromLatin1(HelpTopic::Page(topic)).section('#', 1);
    const QString path = TopicFile(topic);
    if (QFileInfo(path).isFile()) {
        QUrl url = QUrl::fromLocalFile(path);
        if (!anchor.isEmpty()) {
            url.setFragment(anchor);
        }
        if (prompter_->OpenUrl(url)) {
            return true;
        }
    }
    if (missing == Missing::kQuiet) {
        return false;
    }
    prompter_->Message(
        parent, QStringLiteral("Cannot open the Tarnwright Datavane help file: ") + path + '.',
        QString::fromLatin1(DocumentNames::kProductName), IPrompter::Buttons::kOk,
        IPrompter::Icon::kError);
    return false;
}
