#pragma once

#include <QTabWidget>
#include <vector>

#include "IDVPage.h"

// The main window's client: the four tab pages. Only the shown page takes
// change notifications at once; the others defer them until shown.
class CDVTabView : public QTabWidget {
    Q_OBJECT

public:
    explicit CDVTabView(QWidget* parent = nullptr);

    void AddPage(IDVPage* page, const QString& title);
    IDVPage* Page(int index) const;
    IDVPage* CurrentPage() const;
    int PageCount() const { return static_cast<int>(pages_.size()); }

private:
    void OnCurrentChanged(int index);

    std::vector<IDVPage*> pages_;
    int active_ = -1;
};
