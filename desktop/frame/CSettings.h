#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <vector>

class CRecentFileList;

// The desktop program's settings, and the one place that names their keys
// (~/.config/Tarnwright/Datavane.conf). Values that are missing or cannot be
// read leave the caller's defaults.
class CSettings {
public:
    static constexpr int kFlagStatusBar = 1;

    struct ToolbarBand {
        QString id;
        bool visible = true;
    };
    struct Toolbars {
        bool locked = false;
        std::vector<ToolbarBand> bands;
        QByteArray layout;  // order, positions and line breaks
    };

    CSettings();

    // False when the stored settings could not be read; reads then give
    // defaults.
    bool IsReadable() const { return readable_; }

    QByteArray WindowPlacement() const;
    void SetWindowPlacement(const QByteArray& geometry);
    int Flags(int fallback) const;
    void SetFlags(int flags);
    // The count and the entries, most recent first.
    void ReadRecentFiles(CRecentFileList& list) const;
    void WriteRecentFiles(const CRecentFileList& list);
    bool ReadToolbars(Toolbars& toolbars) const;
    void WriteToolbars(const Toolbars& toolbars);
    QByteArray SplitterState(const QString& name) const;
    void SetSplitterState(const QString& name, const QByteArray& state);

    // Writes what was set to the file.
    void Sync();

private:
    QVariant Read(const QString& key) const;

    mutable QSettings settings_;
    bool readable_ = true;
};
