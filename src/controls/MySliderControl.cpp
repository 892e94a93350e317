#include "controls/MySliderControl.h"

#include "controls/ControlPainting.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace quabrel {

namespace {

constexpr int kChannelThickness = 4;

}  // namespace

CMySliderControl::CMySliderControl(Qt::Orientation orientation, QWidget* parent) : QAbstractSlider(parent) {
    setOrientation(orientation);
    // The minimum is at the top of a vertical slider, so Up and the wheel
    // turned away lower the value: the thumb moves the way the key points.
    setInvertedControls(orientation == Qt::Vertical);
    setFocusPolicy(Qt::StrongFocus);
    setPageStep(5);
}

CMySliderControl::~CMySliderControl() = default;

void CMySliderControl::SetThumbColors(COLORREF normal, COLORREF selected) {
    m_thumbColor = normal;
    m_thumbColorSelected = selected;
}

void CMySliderControl::ResetBackground() {
    m_background = QImage();
    update();
}

int CMySliderControl::ThumbLength() const {
    const int across = orientation() == Qt::Horizontal ? height() : width();
    return std::clamp(across * 5 / 9, 6, 11);
}

int CMySliderControl::ChannelStart() const { return ThumbLength() / 2 + 2; }

int CMySliderControl::ChannelSpan() const {
    const int along = orientation() == Qt::Horizontal ? width() : height();
    return std::max(1, along - 2 * ChannelStart());
}

QRect CMySliderControl::ChannelRect() const {
    const int start = ChannelStart();
    if (orientation() == Qt::Horizontal)
        return QRect(start, (height() - kChannelThickness) / 2, ChannelSpan(), kChannelThickness);
    return QRect((width() - kChannelThickness) / 2, start, kChannelThickness, ChannelSpan());
}

QRect CMySliderControl::ChannelEdgeRect() const {
    // A vertical channel's edge is a pixel wider on each side, a horizontal
    // one's two pixels taller above and below.
    const QRect channel = ChannelRect();
    return orientation() == Qt::Horizontal ? channel.adjusted(0, -2, 0, 2) : channel.adjusted(-1, 0, 1, 0);
}

QRect CMySliderControl::ThumbRect() const {
    const int range = maximum() - minimum();
    const int offset = range > 0 ? static_cast<int>(static_cast<long long>(sliderPosition() - minimum()) * ChannelSpan() / range) : 0;
    const int centre = ChannelStart() + offset;
    const int length = ThumbLength();
    if (orientation() == Qt::Horizontal) {
        const int thickness = std::max(4, height() - 4);
        return QRect(centre - length / 2, (height() - thickness) / 2, length, thickness);
    }
    const int thickness = std::max(4, width() - 2);
    return QRect((width() - thickness) / 2, centre - length / 2, thickness, length);
}

QColor CMySliderControl::ThumbColor(bool pressed) const {
    const COLORREF chosen = pressed ? m_thumbColorSelected : m_thumbColor;
    if (chosen != 0) return ToQColor(chosen);
    return palette().color(pressed ? QPalette::Light : QPalette::Button);
}

int CMySliderControl::ValueAt(int pixel) const {
    const int range = maximum() - minimum();
    const long long offset = static_cast<long long>(pixel - ChannelStart()) * range;
    const int value = minimum() + static_cast<int>((offset + (offset >= 0 ? ChannelSpan() / 2 : -ChannelSpan() / 2)) / ChannelSpan());
    return std::clamp(value, minimum(), maximum());
}

void CMySliderControl::paintEvent(QPaintEvent*) {
    if (m_background.isNull()) {
        // What lies behind the slider on the window, taken once and reused.
        m_background = BackdropOf(*this, rect(), palette().color(QPalette::Window));
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_background);

    DrawEdge(painter, ChannelEdgeRect(), false, palette());

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(ThumbColor(m_pressed));
    painter.drawEllipse(QRectF(ThumbRect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void CMySliderControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = true;
    const QPoint pos = event->position().toPoint();
    const QRect thumb = ThumbRect();
    if (thumb.contains(pos)) {
        m_dragging = true;
        m_grabOffset = Along(pos) - Along(thumb.center());
        setSliderDown(true);
        ShowValueTip();
    } else {
        // A click on the channel moves a page towards the click.
        triggerAction(Along(pos) < Along(thumb.center()) ? SliderPageStepSub : SliderPageStepAdd);
    }
    update();
}

void CMySliderControl::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return;
    setSliderPosition(ValueAt(Along(event->position().toPoint()) - m_grabOffset));
    ShowValueTip();
}

void CMySliderControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed) return;
    m_pressed = false;
    if (m_dragging) {
        m_dragging = false;
        setSliderDown(false);
        QToolTip::hideText();
    }
    update();
    Q_EMIT releasedCapture();
}

void CMySliderControl::ShowValueTip() {
    const QRect thumb = ThumbRect();
    const QPoint at = orientation() == Qt::Horizontal ? thumb.topLeft() - QPoint(0, 24) : thumb.topRight() + QPoint(6, 0);
    QToolTip::showText(mapToGlobal(at), QString::number(sliderPosition()), this);
}

}  // namespace quabrel
