#include "skin/DialogSK.h"

#include <QApplication>
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
    if (m_bMoveOnClick) ArmWindowMove(event);
}

void CDialogSK::ArmWindowMove(QMouseEvent* event) {
    if (m_moveArmed || m_manualMove) return;
    m_moveArmed = true;
    m_pressPosition = event->globalPosition().toPoint();
}

void CDialogSK::BeginWindowMove() {
    m_moveArmed = false;
    // Asking the window system on the press itself would hand it a move
    // that a quick release (a touchpad tap) never ends: the window would
    // follow a pointer with no button held.
    QWindow* window = windowHandle();
    if (window != nullptr && window->startSystemMove()) return;
    // Without a window manager nobody moves frameless windows for us. The
    // point pressed stays under the pointer, so the window does not jump
    // by the distance travelled before the move began.
    m_manualMove = true;
    m_grabOffset = m_pressPosition - frameGeometry().topLeft();
}

void CDialogSK::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_moveArmed = false;
        m_manualMove = false;
        OnLButtonDown(event);
    }
    QDialog::mousePressEvent(event);
}

void CDialogSK::mouseMoveEvent(QMouseEvent* event) {
    const bool held = (event->buttons() & Qt::LeftButton) != 0;
    const QPoint at = event->globalPosition().toPoint();
    if (!held) {
        // The release went elsewhere: whatever this press began is over.
        m_moveArmed = false;
        m_manualMove = false;
    } else if (m_moveArmed && (at - m_pressPosition).manhattanLength() >= QApplication::startDragDistance()) {
        BeginWindowMove();
    }
    if (m_manualMove) move(at - m_grabOffset);
    QDialog::mouseMoveEvent(event);
}

void CDialogSK::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_moveArmed = false;
        m_manualMove = false;
    }
    QDialog::mouseReleaseEvent(event);
}

}  // namespace quabrel
