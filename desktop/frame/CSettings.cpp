#include "CSettings.h"

#include "CRecentFileList.h"

namespace {

const QString kWindowPlacement = QStringLiteral("MainFrameWindowPlacement");
const QString kFlags = QStringLiteral("Flags");
const QString kRecentGroup = QStringLiteral("Recent Document List");
const QString kDocumentCount = QStringLiteral("DocumentCount");
const QString kDocumentKey = QStringLiteral("Document%1");
const QString kToolbarGroup = QStringLiteral("ToolBars");
const QString kBandCount = QStringLiteral("ToolbarBandCount");
const QString kBandsLocked = QStringLiteral("ToolbarBandsLocked");
const QString kBandId = QStringLiteral("Toolbar%1_ID");
const QString kBandVisible = QStringLiteral("Toolbar%1_Visible");
const QString kBandLayout = QStringLiteral("ToolbarLayout");
const QString kSplitterGroup = QStringLiteral("Splitters");
// Entries above the current count are removed up to this one.
constexpr int kHighestDocumentKey = 16;

}  // namespace

CSettings::CSettings()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tarnwright"),
                QStringLiteral("Datavane")) {
    readable_ = settings_.status() == QSettings::NoError;
}

QVariant CSettings::Read(const QString& key) const {
    return readable_ ? settings_.value(key) : QVariant();
}

QByteArray CSettings::WindowPlacement() const {
    return Read(kWindowPlacement).toByteArray();
}

void CSettings::SetWindowPlacement(const QByteArray& geometry) {
    settings_.setValue(kWindowPlacement, geometry);
}

int CSettings::Flags(int fallback) const {
    bool ok = false;
    const int flags = Read(kFlags).toInt(&ok);
    return ok ? flags : fallback;
}

void CSettings::SetFlags(int flags) {
    settings_.setValue(kFlags, flags);
}

void CSettings::ReadRecentFiles(CRecentFileList& list) const {
    bool ok = false;
    const int count = Read(kRecentGroup + '/' + kDocumentCount).toInt(&ok);
    if (ok) {
        list.SetMaxCount(count);
    }
    std::vector<std::string> paths;
    for (int i = 1; i <= list.MaxCount(); ++i) {
        const QString path = Read(kRecentGroup + '/' + kDocumentKey.arg(i)).toString();
        if (!path.isEmpty()) {
            paths.push_back(path.toStdString());
        }
    }
    list.Assign(paths);
}

void CSettings::WriteRecentFiles(const CRecentFileList& list) {
    settings_.beginGroup(kRecentGroup);
    settings_.setValue(kDocumentCount, list.MaxCount());
    const auto& paths = list.Paths();
    for (int i = 1; i <= kHighestDocumentKey; ++i) {
        if (static_cast<size_t>(i) <= paths.size()) {
            settings_.setValue(kDocumentKey.arg(i), QString::fromStdString(paths[i - 1]));
        } else {
            settings_.remove(kDocumentKey.arg(i));
        }
    }
    settings_.endGroup();
}

bool CSettings::ReadToolbars(Toolbars& toolbars) const {
    bool ok = false;
    const int count = Read(kToolbarGroup + '/' + kBandCount).toInt(&ok);
    if (!ok || count < 0) {
        return false;
    }
    toolbars.locked = Read(kToolbarGroup + '/' + kBandsLocked).toBool();
    toolbars.layout = Read(kToolbarGroup + '/' + kBandLayout).toByteArray();
    toolbars.bands.clear();
    for (int i = 0; i < count; ++i) {
        const QVariant visible = Read(kToolbarGroup + '/' + kBandVisible.arg(i));
        toolbars.bands.push_back({Read(kToolbarGroup + '/' + kBandId.arg(i)).toString(),
                                  !visible.isValid() || visible.toBool()});
    }
    return true;
}

void CSettings::WriteToolbars(const Toolbars& toolbars) {
    settings_.beginGroup(kToolbarGroup);
    settings_.setValue(kBandCount, static_cast<int>(toolbars.bands.size()));
    settings_.setValue(kBandsLocked, toolbars.locked);
    settings_.setValue(kBandLayout, toolbars.layout);
    for (size_t i = 0; i < toolbars.bands.size(); ++i) {
        settings_.setValue(kBandId.arg(i), toolbars.bands[i].id);
        settings_.setValue(kBandVisible.arg(i), toolbars.bands[i].visible);
    }
    settings_.endGroup();
}

QByteArray CSettings::SplitterState(const QString& name) const {
    return Read(kSplitterGroup + '/' + name).toByteArray();
}

void CSettings::SetSplitterState(const QString& name, const QByteArray& state) {
    settings_.setValue(kSplitterGroup + '/' + name, state);
}

void CSettings::Sync() {
    settings_.sync();
}
