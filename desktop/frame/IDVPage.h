#pragma once

#include <QString>

class QWidget;

// A tab page of the main window.
class IDVPage {
public:
    virtual ~IDVPage() = default;
    virtual QWidget* Widget() = 0;
    // Shown: apply what was deferred while hidden. Hidden: start deferring.
    virtual void Activate() = 0;
    virtual void Deactivate() = 0;
    virtual int HelpTopic() const = 0;
    // A frame command (Delete, tree commands …) aimed at this page; false
    // when the page does not handle it.
    virtual bool HandleCommand(int /*id*/) { return false; }
    virtual bool CanHandleCommand(int /*id*/) const { return false; }
    // Applies what is still being typed (edits apply when typing pauses), so
    // that a command sees it.
    virtual void CommitEdits() {}
    // Opaque state for undo and redo to restore (a selected node, say).
    virtual QString ViewState() const { return {}; }
    virtual void RestoreViewState(const QString& /*state*/) {}
};
