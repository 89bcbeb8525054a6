#pragma once

#include <QSplitter>
#include <QWidget>

#include "controller/CController.h"
#include "controller/CControllerObserver.h"
#include "frame/CSettings.h"
#include "frame/IDVPage.h"

// Base of the four tab pages: a widget that observes the controller, defers
// its updates while hidden and remembers its split positions.
template <typename T>
class CDVPage : public QWidget, public IDVPage, public CControllerObserver<T> {
public:
    CDVPage(CController& controller, CSettings& settings, int helpTopic, QWidget* parent)
        : QWidget(parent),
          CControllerObserver<T>(controller),
          settings_(settings),
          helpTopic_(helpTopic) {}

    QWidget* Widget() override { return this; }
    void Activate() override { this->SetDeferred(false); }
    void Deactivate() override { this->SetDeferred(true); }
    int HelpTopic() const override { return helpTopic_; }

protected:
    // A splitter whose positions are kept in the settings under name.
    QSplitter* MakeSplitter(Qt::Orientation orientation, const QString& name,
                            QList<int> defaultSizes) {
        auto* splitter = new QSplitter(orientation, this);
        splitter->setObjectName(name);
        splitter->setChildrenCollapsible(false);
        splitters_.append({splitter, name, defaultSizes});
        QObject::connect(splitter, &QSplitter::splitterMoved, splitter, [this, splitter, name] {
            settings_.SetSplitterState(name, splitter->saveState());
        });
        return splitter;
    }
    // Call once the splitters hold their widgets.
    void RestoreSplitters() {
        for (const SplitterEntry& entry : splitters_) {
            const QByteArray state = settings_.SplitterState(entry.name);
            if (state.isEmpty() || !entry.splitter->restoreState(state)) {
                entry.splitter->setSizes(entry.defaultSizes);
            }
        }
    }
    CSettings& Settings() const noexcept { return settings_; }

private:
    struct SplitterEntry {
        QSplitter* splitter;
        QString name;
        QList<int> defaultSizes;
    };
    CSettings& settings_;
    int helpTopic_;
    QList<SplitterEntry> splitters_;
};
