#pragma once

#include "platform/ColorRef.h"

#include <QAbstractSlider>
#include <QImage>

namespace quabrel {

// An adjustment slider that lets the skin show through: its channel is a
// sunken edge over a snapshot of the window background behind it, its thumb
// an ellipse in the skin's colours. The minimum is at the left or top.
class CMySliderControl : public QAbstractSlider {
    Q_OBJECT

public:
    explicit CMySliderControl(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~CMySliderControl() override;

    // 0 stands for the palette's button face (normal) or highlight (pressed).
    void SetThumbColors(COLORREF normal, COLORREF selected);
    // Takes a new snapshot of the background at the next paint: the skin
    // behind the slider changed.
    void ResetBackground();

    QRect ThumbRect() const;
    QRect ChannelRect() const;      // the groove itself
    QRect ChannelEdgeRect() const;  // the sunken edge drawn around it
    QColor ThumbColor(bool pressed) const;
    bool HasBackgroundSnapshot() const { return !m_background.isNull(); }
    bool IsDragging() const { return m_dragging; }

Q_SIGNALS:
    // A mouse press on the slider ended: after a drag or a click on the
    // channel. Keyboard and wheel moves never send it.
    void releasedCapture();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int ThumbLength() const;
    int ChannelStart() const;
    int ChannelSpan() const;
    int ValueAt(int pixel) const;
    int Along(const QPoint& p) const { return orientation() == Qt::Horizontal ? p.x() : p.y(); }
    void ShowValueTip();

    QImage m_background;
    COLORREF m_thumbColor = 0;
    COLORREF m_thumbColorSelected = 0;
    bool m_pressed = false;
    bool m_dragging = false;
    int m_grabOffset = 0;
};

}  // namespace quabrel
