#include "CDVTabView.h"

CDVTabView::CDVTabView(QWidget* parent) : QTabWidget(parent) {
    setObjectName(QStringLiteral("DVTabView"));
    setDocumentMode(true);
    connect(this, &QTabWidget::currentChanged, this, &CDVTabView::OnCurrentChanged);
}

void CDVTabView::AddPage(IDVPage* page, const QString& title) {
    pages_.push_back(page);
    const int index = addTab(page->Widget(), title);
    if (index == currentIndex()) {
        active_ = index;
        page->Activate();
    } else {
        page->Deactivate();
    }
}

IDVPage* CDVTabView::Page(int index) const {
    return index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr;
}

IDVPage* CDVTabView::CurrentPage() const {
    return Page(currentIndex());
}

void CDVTabView::OnCurrentChanged(int index) {
    if (index == active_) {
        return;
    }
    if (IDVPage* old = Page(active_)) {
        old->Deactivate();
    }
    active_ = index;
    if (IDVPage* page = Page(index)) {
        page->Activate();
    }
}
