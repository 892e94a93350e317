#include "skin/DialogSK.h"

#include "skin/WindowShape.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace quabrel {

CDialogSK::CDialogSK(QWidget* parent) : QDialog(parent, Qt::Window | Qt::FramelessWindowHint) {
    // The outline is seen through the face's alpha, not only through the
    // window's shape: a Wayland compositor takes the shape as the input
    // region only and shows every pixel painted.
    setAttribute(Qt::WA_TranslucentBackground);
}

CDialogSK::~CDialogSK() = default;

bool CDialogSK::OnInitDialog() { return true; }

bool CDialogSK::SetBackgroundBitmap(QImage bitmap, std::optional<QRgb> cutAway) {
    // A skin's picture is opaque: its outline is the cut-away colour, never
    // an alpha channel of its own.
    m_hBackground = bitmap.hasAlphaChannel() ? bitmap.convertToFormat(QImage::Format_RGB32) : std::move(bitmap);
    m_cutAway = m_hBackground.isNull() ? std::nullopt : cutAway;
    m_faceShape = m_cutAway ? WindowShapeFromBackground(m_hBackground, *m_cutAway) : QRegion(m_hBackground.rect());
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

void CDialogSK::DrawFace(QPainter& painter, QPoint at) const {
    if (!m_cutAway) {
        painter.drawImage(at, m_hBackground);
        return;
    }
    painter.fillRect(QRect(at, m_hBackground.size()), Qt::transparent);
    painter.save();
    painter.setClipRegion(m_faceShape.translated(at), Qt::IntersectClip);
    painter.drawImage(at, m_hBackground);
    painter.restore();
}

void CDialogSK::OnEraseBkgnd(QPainter& painter) {
    if (m_hBackground.isNull()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    const int w = m_hBackground.width(), h = m_hBackground.height();
    // The face replaces what is beneath, transparent pixels included; only
    // the client area the bitmap leaves uncovered gets the window colour.
    QRect covered = rect();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    switch (m_nBackgroundStyle) {
    case kTile:
        for (int y = 0; y < height(); y += h)
            for (int x = 0; x < width(); x += w) DrawFace(painter, QPoint(x, y));
        break;
    case kCenter:
        covered = QRect((width() - w) / 2, (height() - h) / 2, w, h);
        DrawFace(painter, covered.topLeft());
        break;
    case kStretch:
        // A shape does not scale pixel for pixel the way the picture does:
        // the rare stretched face with a cut-away is made for the paint.
        painter.drawImage(rect(), m_cutAway ? CutAwayFace(m_hBackground, m_cutAway) : m_hBackground);
        break;
    default:  // top-left at its own size, also for style 4
        covered = QRect(0, 0, w, h);
        DrawFace(painter, QPoint(0, 0));
        break;
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRegion uncovered = QRegion(rect()) - covered;
    for (const QRect& r : uncovered) painter.fillRect(r, palette().window());
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
    // A Wayland client cannot place its own window: moving it by hand
    // would only fight the compositor.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
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
