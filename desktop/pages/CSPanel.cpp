#include "CSPanel.h"

#include <QLabel>
#include <QVBoxLayout>

CSPanel::CSPanel(const QString& title, QWidget* content, QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    title_ = new QLabel(title, this);
    title_->setObjectName(QStringLiteral("panelTitle"));
    title_->setContentsMargins(8, 4, 8, 4);
    title_->setAutoFillBackground(true);
    QPalette palette = title_->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Mid));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::BrightText));
    title_->setPalette(palette);
    QFont font = title_->font();
    font.setBold(true);
    title_->setFont(font);
    layout_->addWidget(title_);
    SetContent(content);
}

void CSPanel::SetTitle(const QString& title) {
    title_->setText(title);
}

QString CSPanel::Title() const {
    return title_->text();
}

void CSPanel::SetContent(QWidget* content) {
    if (content_ == content) {
        return;
    }
    if (content_) {
        layout_->removeWidget(content_);
        content_->hide();
    }
    content_ = content;
    if (content_) {
        // A list or preview without a label of its own is announced by the
        // panel's title.
        if (content_->accessibleName().isEmpty()) {
            content_->setAccessibleName(title_->text());
        }
        content_->setParent(this);
        layout_->addWidget(content_, 1);
        content_->show();
    }
}
