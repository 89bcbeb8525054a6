#include "CFixedColumnEditor.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <algorithm>

namespace {
// How near (pixels) the mouse must be to a break to take hold of it.
constexpr int kGrabDistance = 3;
}  // namespace

CFixedColumnEditor::CFixedColumnEditor(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("FixedColumnEditor"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setBackgroundRole(QPalette::Base);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setAccessibleName(tr("Column breaks"));
    UpdateMetrics();
    Announce();
}

QString CFixedColumnEditor::BreaksDescription() const {
    QStringList positions;
    for (const int position : breaks_) {
        positions << QString::number(position);
    }
    const QString breaks = breaks_.empty()
                               ? tr("No column breaks.")
                               : tr("Column breaks after characters %1.").arg(positions.join(", "));
    return breaks + " " +
           tr("Caret after character %1. Space or Insert sets or removes a break at the caret, "
              "Up and Down select a break, Left and Right move the caret or the selected break, "
              "Delete removes it.")
               .arg(caret_);
}

void CFixedColumnEditor::Announce() {
    setAccessibleDescription(BreaksDescription());
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void CFixedColumnEditor::SetText(const QString& text) {
    lines_ = text.split('\n');
    maxLength_ = 0;
    for (QString& line : lines_) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        line.replace('\t', ' ');
        maxLength_ = std::max(maxLength_, static_cast<int>(line.size()));
    }
    while (!lines_.isEmpty() && lines_.last().isEmpty()) {
        lines_.removeLast();
    }
    caret_ = ClampPosition(caret_);
    UpdateScrollBars();
    viewport()->update();
}

void CFixedColumnEditor::SetBreaks(std::vector<int> breaks) {
    if (dragging_ >= 0) {
        return;  // the gesture in progress decides
    }
    breaks_ = std::move(breaks);
    SortBreaks();
    if (selected_ >= static_cast<int>(breaks_.size())) {
        selected_ = -1;
    }
    viewport()->update();
    Announce();
}

QString CFixedColumnEditor::WidthText() const {
    if (dragging_ < 0) {
        return {};
    }
    const int start = dragging_ == 0 ? 0 : breaks_[static_cast<size_t>(dragging_) - 1];
    return tr("Width: %1").arg(breaks_[static_cast<size_t>(dragging_)] - start);
}

std::vector<int> CFixedColumnEditor::WidthsForBreaks(const std::vector<int>& breaks,
                                                     int lineLength) {
    std::vector<int> widths;
    int start = 0;
    for (int position : breaks) {
        if (position > start) {
            widths.push_back(position - start);
            start = position;
        }
    }
    widths.push_back(std::max(1, lineLength - start));
    return widths;
}

std::vector<int> CFixedColumnEditor::BreaksForWidths(const std::vector<int>& widths) {
    std::vector<int> breaks;
    int position = 0;
    for (size_t i = 0; i + 1 < widths.size(); ++i) {
        position += std::max(0, widths[i]);
        breaks.push_back(position);
    }
    return breaks;
}

void CFixedColumnEditor::UpdateMetrics() {
    const QFontMetrics metrics(font());
    charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    lineHeight_ = std::max(1, metrics.height());
    UpdateScrollBars();
}

void CFixedColumnEditor::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        UpdateMetrics();
    }
    QAbstractScrollArea::changeEvent(event);
}

void CFixedColumnEditor::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CFixedColumnEditor::UpdateScrollBars() {
    const QSize area = viewport()->size();
    const int contentWidth = 2 * margin_ + (maxLength_ + 2) * charWidth_;
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - area.width()));
    horizontalScrollBar()->setPageStep(area.width());
    horizontalScrollBar()->setSingleStep(charWidth_);
    const int visibleLines = std::max(1, (area.height() - RulerHeight()) / lineHeight_);
    verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(lines_.size()) - visibleLines));
    verticalScrollBar()->setPageStep(visibleLines);
}

int CFixedColumnEditor::PixelForPosition(int position) const {
    return margin_ + position * charWidth_ - horizontalScrollBar()->value();
}

int CFixedColumnEditor::PositionForPixel(int x) const {
    const int offset = x + horizontalScrollBar()->value() - margin_;
    return (offset + charWidth_ / 2) / charWidth_;
}

int CFixedColumnEditor::ClampPosition(int position) const {
    return std::clamp(position, 1, std::max(1, maxLength_ - 1));
}

int CFixedColumnEditor::BreakAtPixel(int x) const {
    for (size_t i = 0; i < breaks_.size(); ++i) {
        if (std::abs(PixelForPosition(breaks_[i]) - x) <= kGrabDistance) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CFixedColumnEditor::SortBreaks() {
    const int selectedPosition = selected_ >= 0 ? breaks_[static_cast<size_t>(selected_)] : -1;
    std::sort(breaks_.begin(), breaks_.end());
    breaks_.erase(std::unique(breaks_.begin(), breaks_.end()), breaks_.end());
    if (selectedPosition >= 0) {
        auto it = std::find(breaks_.begin(), breaks_.end(), selectedPosition);
        selected_ = it == breaks_.end() ? -1 : static_cast<int>(it - breaks_.begin());
    }
}

void CFixedColumnEditor::Commit() {
    SortBreaks();
    viewport()->update();
    Announce();
    emit BreaksChanged(breaks_);
}

void CFixedColumnEditor::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maxLength_ < 2) {
        return;
    }
    const int x = event->position().toPoint().x();
    int index = BreakAtPixel(x);
    moved_ = false;
    if (index < 0) {
        const int position = PositionForPixel(x);
        if (position <= 0 || position >= maxLength_) {
            return;
        }
        breaks_.push_back(position);
        std::sort(breaks_.begin(), breaks_.end());
        index =
            static_cast<int>(std::find(breaks_.begin(), breaks_.end(), position) - breaks_.begin());
        moved_ = true;  // a new break counts as a change even if it stays put
    }
    dragging_ = index;
    selected_ = index;
    caret_ = breaks_[static_cast<size_t>(index)];
    viewport()->update();
}

void CFixedColumnEditor::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (dragging_ < 0) {
        viewport()->setCursor(BreakAtPixel(x) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    const size_t i = static_cast<size_t>(dragging_);
    // A break stays between its neighbours.
    const int low = i == 0 ? 1 : breaks_[i - 1] + 1;
    const int high = i + 1 < breaks_.size() ? breaks_[i + 1] - 1 : maxLength_ - 1;
    const int position = std::clamp(PositionForPixel(x), low, std::max(low, high));
    if (position != breaks_[i]) {
        breaks_[i] = position;
        caret_ = position;
        moved_ = true;
        viewport()->update();
    }
}

void CFixedColumnEditor::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || dragging_ < 0) {
        return;
    }
    dragging_ = -1;
    if (moved_) {
        Commit();
    } else {
        viewport()->update();
    }
}

void CFixedColumnEditor::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int index = BreakAtPixel(event->position().toPoint().x());
    if (index < 0) {
        return;
    }
    dragging_ = -1;
    breaks_.erase(breaks_.begin() + index);
    selected_ = -1;
    Commit();
}

void CFixedColumnEditor::keyPressEvent(QKeyEvent* event) {
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (step != 0 && maxLength_ >= 2) {
        if (selected_ >= 0) {
            const size_t i = static_cast<size_t>(selected_);
            const int low = i == 0 ? 1 : breaks_[i - 1] + 1;
            const int high = i + 1 < breaks_.size() ? breaks_[i + 1] - 1 : maxLength_ - 1;
            const int position = std::clamp(breaks_[i] + step, low, std::max(low, high));
            if (position != breaks_[i]) {
                breaks_[i] = position;
                caret_ = position;
                Commit();
            }
        } else {
            caret_ = ClampPosition(caret_ + step);
            viewport()->update();
        }
        EnsureCaretVisible();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Insert: {
            if (maxLength_ < 2) {
                return;
            }
            auto it = std::find(breaks_.begin(), breaks_.end(), caret_);
            if (it != breaks_.end()) {
                breaks_.erase(it);
                selected_ = -1;
            } else {
                breaks_.push_back(caret_);
                std::sort(breaks_.begin(), breaks_.end());
                selected_ = static_cast<int>(std::find(breaks_.begin(), breaks_.end(), caret_) -
                                             breaks_.begin());
            }
            Commit();
            return;
        }
        case Qt::Key_Delete:
            if (selected_ >= 0) {
                breaks_.erase(breaks_.begin() + selected_);
                selected_ = -1;
                Commit();
            }
            return;
        case Qt::Key_Escape:
            selected_ = -1;
            viewport()->update();
            return;
        case Qt::Key_Down:
        case Qt::Key_Up: {
            if (breaks_.empty()) {
                QAbstractScrollArea::keyPressEvent(event);
                return;
            }
            const int count = static_cast<int>(breaks_.size());
            const bool back = event->key() == Qt::Key_Up;
            if (selected_ < 0) {
                selected_ = back ? count - 1 : 0;
            } else {
                selected_ = (selected_ + (back ? count - 1 : 1)) % count;
            }
            caret_ = breaks_[static_cast<size_t>(selected_)];
            EnsureCaretVisible();
            viewport()->update();
            return;
        }
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void CFixedColumnEditor::EnsureCaretVisible() {
    Announce();
    const int x = PixelForPosition(caret_);
    QScrollBar* bar = horizontalScrollBar();
    if (x < margin_) {
        bar->setValue(bar->value() - (margin_ - x) - charWidth_ * 4);
    } else if (x > viewport()->width() - margin_) {
        bar->setValue(bar->value() + x - viewport()->width() + margin_ + charWidth_ * 4);
    }
}

void CFixedColumnEditor::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QPalette& colours = palette();
    const int width = viewport()->width();
    const int ruler = RulerHeight();
    painter.fillRect(QRect(0, 0, width, ruler), colours.color(QPalette::Button));
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawLine(0, ruler - 1, width, ruler - 1);

    // Ruler: a tick for every position, a medium one every 5th, a numbered
    // full one every 10th.
    painter.setPen(colours.color(QPalette::ButtonText));
    const int first = std::max(0, PositionForPixel(0) - 1);
    const int last = std::min(maxLength_ + 1, PositionForPixel(width) + 1);
    for (int p = first; p <= last; ++p) {
        const int x = PixelForPosition(p);
        int tick = lineHeight_ / 4;
        if (p % 10 == 0) {
            tick = ruler / 2;
            if (p > 0) {
                painter.drawText(x + 2, lineHeight_ - 3, QString::asprintf("%d", p));
            }
        } else if (p % 5 == 0) {
            tick = lineHeight_ / 2;
        }
        painter.drawLine(x, ruler - 1 - tick, x, ruler - 1);
    }

    // Text.
    painter.setPen(colours.color(QPalette::Text));
    const int top = verticalScrollBar()->value();
    const int visible = (viewport()->height() - ruler) / lineHeight_ + 2;
    const QFontMetrics metrics(font());
    for (int i = 0; i < visible && top + i < lines_.size(); ++i) {
        const int y = ruler + i * lineHeight_ + metrics.ascent();
        painter.drawText(PixelForPosition(0), y, lines_[top + i]);
    }

    // Caret, when the editor has the focus.
    if (hasFocus() && maxLength_ >= 2) {
        QPen caretPen(colours.color(QPalette::Highlight), 1, Qt::DotLine);
        painter.setPen(caretPen);
        const int x = PixelForPosition(caret_);
        painter.drawLine(x, ruler, x, viewport()->height());
    }

    // Breaks: a line with an arrow head at the ruler.
    for (size_t i = 0; i < breaks_.size(); ++i) {
        const bool active = static_cast<int>(i) == selected_ || static_cast<int>(i) == dragging_;
        const QColor colour =
            active ? colours.color(QPalette::Highlight) : QColor(0xC6, 0x28, 0x28);
        const int x = PixelForPosition(breaks_[i]);
        painter.setPen(QPen(colour, active ? 2 : 1));
        painter.drawLine(x, ruler, x, viewport()->height());
        QPainterPath arrow;
        arrow.moveTo(x, ruler);
        arrow.lineTo(x - 4, ruler - 6);
        arrow.lineTo(x + 4, ruler - 6);
        arrow.closeSubpath();
        painter.fillPath(arrow, colour);
    }

    const QString widthText = WidthText();
    if (!widthText.isEmpty()) {
        const int x = PixelForPosition(breaks_[static_cast<size_t>(dragging_)]) + 8;
        const QRect box = metrics.boundingRect(widthText).adjusted(-3, -1, 3, 1);
        const QRect placed(x, 1, box.width(), box.height());
        painter.fillRect(placed, colours.color(QPalette::ToolTipBase));
        painter.setPen(colours.color(QPalette::ToolTipText));
        painter.drawText(placed, Qt::AlignCenter, widthText);
    }
}
