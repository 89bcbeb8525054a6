#pragma once

#include <QDialog>
#include <functional>

class QTreeWidget;

// "AutoText": the tokens a node value may hold, with their descriptions. OK
// returns the chosen token for the caller to insert at the caret.
class CAutoTextDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAutoTextDlg(std::function<void(int)> showHelp = {}, QWidget* parent = nullptr);

    QString SelectedToken() const;
    QTreeWidget* List() const noexcept { return list_; }
    // The seventeen tokens and descriptions, in the order shown.
    static const std::vector<std::pair<const char*, const char*>>& Entries();
    // Runs the dialog; the token, or empty when cancelled.
    static QString Choose(QWidget* parent, std::function<void(int)> showHelp = {});

private:
    QTreeWidget* list_;
};
