#pragma once

#include <QAbstractScrollArea>
#include <QStringList>
#include <vector>

// Shows a fixed-width text file in a fixed-pitch font under a ruler and lets
// the user place the column breaks: a click creates one, a double click on one
// deletes it, dragging moves it. From the keyboard, the arrows move the caret
// (or the selected break), Space or Insert toggles a break at the caret,
// Down / Up select the next / previous break, Escape lets go of it and
// Delete removes it.
class CFixedColumnEditor : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CFixedColumnEditor(QWidget* parent = nullptr);

    void SetText(const QString& text);
    int LineLength() const noexcept { return maxLength_; }
    // Break positions: a break at p ends the column before character p.
    void SetBreaks(std::vector<int> breaks);
    const std::vector<int>& Breaks() const noexcept { return breaks_; }
    int SelectedBreak() const noexcept { return selected_; }
    int Caret() const noexcept { return caret_; }
    // What assistive tools are told: the breaks, the caret and the keys.
    QString BreaksDescription() const;
    // "Width: %d" while a break is placed or moved, else empty.
    QString WidthText() const;

    // Geometry, for painting and for tests: the viewport x of position p and
    // the position nearest to viewport x.
    int PixelForPosition(int position) const;
    int PositionForPixel(int x) const;
    int RulerHeight() const noexcept { return 2 * lineHeight_; }

    // Breaks as column widths, the last column reaching to the end of the
    // longest line: breaks 4, 10 on lines of 15 give 4, 6, 5.
    static std::vector<int> WidthsForBreaks(const std::vector<int>& breaks, int lineLength);
    static std::vector<int> BreaksForWidths(const std::vector<int>& widths);

signals:
    // The user changed the breaks (once per gesture).
    void BreaksChanged(const std::vector<int>& breaks);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int BreakAtPixel(int x) const;
    int ClampPosition(int position) const;
    void UpdateMetrics();
    void UpdateScrollBars();
    void Commit();
    void SortBreaks();
    void EnsureCaretVisible();
    // Tells assistive tools the breaks and the caret as they are now.
    void Announce();

    QStringList lines_;
    int maxLength_ = 0;
    std::vector<int> breaks_;
    int selected_ = -1;
    int caret_ = 1;
    int dragging_ = -1;
    bool moved_ = false;
    int charWidth_ = 8;
    int lineHeight_ = 16;
    int margin_ = 6;
};
