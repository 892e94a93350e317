#include "skin/DialogSK.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace quabrel {

CDialogSK::CDialogSK(QWidget* parent) : QDialog(parent, Qt::Window | Qt::FramelessWindowHint) {}

CDialogSK::~CDialogSK() = default;

bool CDialogSK::OnInitDialog() { return true; }

bool CDialogSK::SetBackgroundBitmap(QImage bitmap) {
    m_hBackground = std::move(bitmap);
    update();
    return true;
}

void CDialogSK::SetBackgroundStyle(int style) {
    m_nBackgroundStyle = style;
    if (style == kResizeToBitmap && !m_hBackground.isNull()) {
        resize(m_hBackground.size());
        raise();
        activateWindow();
    }
}

void CDialogSK::OnEraseBkgnd(QPainter& painter) {
    painter.fillRect(rect(), palette().window());
    if (m_hBackground.isNull()) return;
    const QImage& bitmap = m_hBackground;
    const int w = bitmap.width(), h = bitmap.height();
    switch (m_nBackgroundStyle) {
    case kTile:
        for (int y = 0; y < height(); y += h)
            for (int x = 0; x < width(); x += w) painter.drawImage(x, y, bitmap);
        break;
    case kCenter:
        painter.drawImage((width() - w) / 2, (height() - h) / 2, bitmap);
        break;
    case kStretch:
        painter.drawImage(rect(), bitmap);
        break;
    default:  // top-left at its own size, also for style 4
        painter.drawImage(QPoint(0, 0), bitmap, QRect(0, 0, width(), height()));
        break;
    }
}

void CDialogSK::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    OnEraseBkgnd(painter);
}

void CDialogSK::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!m_hBackground.isNull()) update();
}

void CDialogSK::OnLButtonDown(QMouseEvent* event) {
    if (m_bMoveOnClick) BeginWindowMove(event);
}

void CDialogSK::BeginWindowMove(QMouseEvent* event) {
    if (m_moveBegun) return;
    m_moveBegun = true;
    QWindow* window = windowHandle();
    if (window != nullptr && window->startSystemMove()) return;
    // Without a window manager nobody moves frameless windows for us.
    m_manualMove = true;
    m_grabOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CDialogSK::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_moveBegun = false;
        OnLButtonDown(event);
    }
    QDialog::mousePressEvent(event);
}

void CDialogSK::mouseMoveEvent(QMouseEvent* event) {
    if (m_manualMove && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - m_grabOffset);
    QDialog::mouseMoveEvent(event);
}

void CDialogSK::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_manualMove = false;
    QDialog::mouseReleaseEvent(event);
}

}  // namespace quabrel
