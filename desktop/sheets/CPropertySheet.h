#pragma once

#include <QDialog>
#include <functional>
#include <vector>

class CController;
class IPrompter;
class QDialogButtonBox;
class QTabWidget;

// What every sheet needs from the program.
struct SheetContext {
    CController& controller;
    IPrompter& prompter;
    std::function<void(int topic)> showHelp;
    // The AutoText chooser: the token to insert, or empty when cancelled.
    // Unset, the AutoText dialog itself is shown.
    std::function<QString(QWidget* parent)> chooseAutoText = {};
};

// One page of a property sheet. It reads its fields from the definition when
// it is made and writes them back through the definition's setters on OK.
class CPropertyPage : public QWidget {
    Q_OBJECT

public:
    explicit CPropertyPage(const QString& title, QWidget* parent = nullptr)
        : QWidget(parent), title_(title) {}
    const QString& Title() const noexcept { return title_; }
    // False keeps the sheet open; the page has said why and focused the field.
    virtual bool Validate() { return true; }
    // Writes the fields; true when some setter reported a change.
    virtual bool Apply() = 0;

private:
    QString title_;
};

// A modal property sheet: its pages in tabs, OK, Cancel and Help. OK
// validates every page, writes every page and calls Changed once, with the
// sheet's code, when something changed; Cancel writes nothing.
class CPropertySheet : public QDialog {
    Q_OBJECT

public:
    CPropertySheet(const QString& title, SheetContext& context, int changeCode, int helpTopic,
                   QWidget* parent = nullptr);

    void AddPage(CPropertyPage* page);
    CPropertyPage* Page(int index) const;
    int PageCount() const { return static_cast<int>(pages_.size()); }
    QTabWidget* Tabs() const noexcept { return tabs_; }
    QDialogButtonBox* Buttons() const noexcept { return buttons_; }
    // Whether the last OK changed the definition.
    bool ChangedSomething() const noexcept { return changed_; }

public slots:
    void accept() override;

protected:
    SheetContext& Context() const noexcept { return context_; }
    // After the pages wrote their fields, before Changed: work that needs
    // them written (the DOCTYPE page's DTD import). May set changed, and
    // widen the code Changed sends (SetChangeCode).
    virtual void AfterApply(bool& changed) { (void)changed; }
    void SetChangeCode(int code) noexcept { changeCode_ = code; }

private:
    SheetContext& context_;
    int changeCode_;
    int helpTopic_;
    QTabWidget* tabs_;
    QDialogButtonBox* buttons_;
    std::vector<CPropertyPage*> pages_;
    bool changed_ = false;
};
