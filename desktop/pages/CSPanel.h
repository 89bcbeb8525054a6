#pragma once

#include <QFrame>

class QLabel;
class QVBoxLayout;

// A titled panel: a shaded title bar above its content.
class CSPanel : public QFrame {
    Q_OBJECT

public:
    CSPanel(const QString& title, QWidget* content, QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    QString Title() const;
    // Shows another content widget; the previous one is hidden, not deleted.
    void SetContent(QWidget* content);
    QWidget* Content() const noexcept { return content_; }

private:
    QLabel* title_;
    QVBoxLayout* layout_;
    QWidget* content_ = nullptr;
};
