#include "controls/SkinButton.h"

#include "controls/ControlPainting.h"

#include "skin/ResourceImages.h"
#include "skin/WindowShape.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace quabrel {

const int CxSkinButton::kUncheckEvent = QEvent::registerEventType(QEvent::User + 0x100);

namespace {

const char* const kGroupStartProperty = "quabrelGroupStart";

QImage LoadResource(int id) { return id != 0 ? LoadBitmapResource(id) : QImage(); }

}  // namespace

CxSkinButton::CxSkinButton(QWidget* parent) : QAbstractButton(parent), m_crText(palette().color(QPalette::ButtonText)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

CxSkinButton::~CxSkinButton() = default;

void CxSkinButton::PreSubclassWindow(uint32_t style) {
    const uint32_t s = style & 0xFF;
    if ((s & 3) == 3)
        m_nKind = kCheckBox;
    else if ((s & 9) == 9)
        m_nKind = kRadio;
    else
        m_nKind = kPush;
}

void CxSkinButton::SetGroupStart(QWidget& widget, bool start) { widget.setProperty(kGroupStartProperty, start); }

void CxSkinButton::DeleteBitmaps() {
    m_bmpNormal = m_bmpDown = m_bmpOver = m_bmpDisabled = m_bmpFocus = m_bmpMask = QImage();
}

void CxSkinButton::SetModes(int16_t drawMode, int16_t border, int16_t focusMargin) {
    m_nDrawMode = drawMode > 1 ? int16_t{kTile} : drawMode < 0 ? int16_t{kNatural} : drawMode;
    m_bBorder = border;
    m_nFocusMargin = focusMargin < 0 ? int16_t{0} : focusMargin;
}

void CxSkinButton::ApplyMask() {
    m_hRegion = CreateRegionFromBitmap(m_bmpMask, kKeyColor);
    m_hasRegion = true;
    SetWidgetShape(*this, m_hRegion);
    if (m_nDrawMode == kNatural) resize(m_bmpMask.size());
    update();
}

void CxSkinButton::SetSkinFromResources(int normal, int down, int over, int disabled, int focus, int mask, int16_t drawMode,
                                        int16_t border, int16_t focusMargin) {
    DeleteBitmaps();
    m_bmpNormal = LoadResource(normal);
    m_bmpDown = LoadResource(down);
    m_bmpOver = LoadResource(over);
    m_bmpFocus = LoadResource(focus);
    m_bmpDisabled = LoadResource(disabled != 0 ? disabled : normal);
    SetModes(drawMode, border, focusMargin);
    if (mask != 0) {
        m_bmpMask = LoadResource(mask);
        if (!m_bmpMask.isNull()) ApplyMask();
    }
    update();
}

void CxSkinButton::SetSkin(const ButtonPictures& pictures, int16_t drawMode, int16_t border, int16_t focusMargin) {
    DeleteBitmaps();
    m_bmpNormal = pictures.normal;
    m_bmpDown = pictures.down;
    m_bmpOver = pictures.over;
    m_bmpFocus = pictures.focus;
    m_bmpDisabled = pictures.disabled;
    SetModes(drawMode, border, focusMargin);
    if (!pictures.mask.isNull()) {
        m_bmpMask = pictures.mask;
        ApplyMask();
    }
    update();
}

QRegion CxSkinButton::CreateRegionFromBitmap(const QImage& bitmap, QRgb key) {
    if (bitmap.isNull()) return QRegion();
    return WindowShapeFromBackground(bitmap, key);
}

void CxSkinButton::DrawImage(QPainter& painter, const QImage& bitmap, const QRect& rect, int drawMode) {
    if (drawMode == kTile) {
        if (bitmap.isNull()) return;
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
        for (int y = rect.top(); y <= rect.bottom(); y += bitmap.height())
            for (int x = rect.left(); x <= rect.right(); x += bitmap.width()) painter.drawImage(x, y, bitmap);
        painter.restore();
        return;
    }
    if (bitmap.isNull()) return;
    const QRect natural(rect.topLeft(), bitmap.size());
    auto place = [&](QPainter& p, const QImage& image, const QRect& target, const QRect& source) {
        if (drawMode == kStretch)
            p.drawImage(target, image, source);
        else
            p.drawImage(target.topLeft(), image, QRect(QPoint(0, 0), target.size()).intersected(image.rect()));
    };
    if (m_bmpMask.isNull()) {
        place(painter, bitmap, drawMode == kStretch ? rect : natural.intersected(rect), bitmap.rect());
        return;
    }
    // Picture XOR, mask AND, picture XOR over what lies beneath: black mask
    // pixels show the picture, white ones keep the background.
    QImage off = BackdropOf(*this, rect, palette().color(QPalette::Button));
    {
        QPainter p(&off);
        const QRect target(QPoint(0, 0), rect.size());
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        place(p, bitmap, target, bitmap.rect());
        p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        place(p, m_bmpMask, target, QRect(QPoint(0, 0), bitmap.size()));
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        place(p, bitmap, target, bitmap.rect());
    }
    painter.drawImage(rect.topLeft(), off.convertToFormat(QImage::Format_RGB32));
}

CxSkinButton::Picture CxSkinButton::ShownPicture() const {
    if (!isEnabled()) return m_bmpDisabled.isNull() ? Picture::kFace : Picture::kDisabled;
    if (isDown() || m_bCheckState) return m_bmpDown.isNull() ? Picture::kFace : Picture::kDown;
    if (m_bmpNormal.isNull()) return Picture::kFace;
    if (m_bHover && !m_bmpOver.isNull()) return Picture::kOver;
    if (hasFocus() && !m_bmpFocus.isNull()) return Picture::kFocus;
    return Picture::kNormal;
}

void CxSkinButton::DrawText(QPainter& painter, const QRect& rect, const QColor& color, bool plainFace) {
    // A plain face says what the button does when the button has no words
    // of its own; a picture is left to speak for itself.
    const QString& words = !text().isEmpty() || !plainFace ? text() : m_fallbackText;
    if (words.isEmpty()) return;
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, words);
}

void CxSkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect r = rect();
    QRect t = r.adjusted(m_nFocusMargin + 2, 0, -(m_nFocusMargin + 2), 0);
    const QColor face = palette().color(QPalette::Button);
    const Picture picture = ShownPicture();
    // Without a picture the face alone would vanish into a window of the
    // same colour (no skin at all): it gets the 3-D edge a button has.
    const bool plain = picture == Picture::kFace;
    auto draw = [&](const QImage& bitmap) {
        if (bitmap.isNull())
            painter.fillRect(r, face);
        else
            DrawImage(painter, bitmap, r, m_nDrawMode);
    };

    if (!isEnabled()) {
        draw(m_bmpDisabled);
        if (m_bBorder || plain) DrawEdge(painter, r, true, palette());
        DrawText(painter, t, palette().color(QPalette::Light), plain);
        DrawText(painter, t.translated(-1, -1), palette().color(QPalette::Disabled, QPalette::ButtonText), plain);
        return;
    }
    if (isDown() || m_bCheckState) {
        draw(m_bmpDown);
        t.translate(1, 1);
        if (m_bBorder || plain) DrawEdge(painter, r, false, palette());
    } else {
        switch (picture) {
        case Picture::kOver: DrawImage(painter, m_bmpOver, r, m_nDrawMode); break;
        case Picture::kFocus: DrawImage(painter, m_bmpFocus, r, m_nDrawMode); break;
        case Picture::kNormal: DrawImage(painter, m_bmpNormal, r, m_nDrawMode); break;
        default: painter.fillRect(r, face); break;
        }
        if (m_bBorder || plain) DrawEdge(painter, r, true, palette());
    }
    if (hasFocus() && m_nFocusMargin > 0) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = r.adjusted(m_nFocusMargin, m_nFocusMargin, -m_nFocusMargin, -m_nFocusMargin);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    DrawText(painter, t, m_crText, plain);
}

void CxSkinButton::SetFallbackText(const QString& text) {
    m_fallbackText = text;
    update();
}

void CxSkinButton::SetCheck(bool checked) {
    m_bCheckState = m_nKind == kPush ? false : checked;
    if (m_nKind == kRadio && checked) UncheckGroupMembers();
    update();
}

void CxSkinButton::UncheckGroupMembers() {
    QWidget* parent = parentWidget();
    if (parent == nullptr) return;
    const QList<QWidget*> siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const auto self = siblings.indexOf(this);
    if (self < 0) return;
    // The group: back to its first member, forward to the next group start.
    auto first = self;
    while (first > 0 && !siblings[first]->property(kGroupStartProperty).toBool()) --first;
    auto last = self + 1;
    while (last < siblings.size() && !siblings[last]->property(kGroupStartProperty).toBool()) ++last;
    for (auto i = first; i < last; ++i)
        if (i != self) QCoreApplication::postEvent(siblings[i], new QEvent(static_cast<QEvent::Type>(kUncheckEvent)));
}

bool CxSkinButton::event(QEvent* e) {
    if (e->type() == kUncheckEvent) {
        if (m_bCheckState) {
            m_bCheckState = false;
            update();
        }
        return true;
    }
    return QAbstractButton::event(e);
}

void CxSkinButton::mousePressEvent(QMouseEvent* e) {
    if (m_bHover) {
        m_bHover = false;
        update();
    }
    QAbstractButton::mousePressEvent(e);
    if (e->button() == Qt::LeftButton && isDown()) m_bPressCaptured = true;
}

void CxSkinButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && (m_nKind == kCheckBox || m_nKind == kRadio) && hitButton(e->position().toPoint()))
        SetCheck(m_nKind == kCheckBox ? !m_bCheckState : true);
    if (e->button() == Qt::LeftButton) m_bPressCaptured = false;
    QAbstractButton::mouseReleaseEvent(e);
}

void CxSkinButton::mouseMoveEvent(QMouseEvent* e) {
    // While a press is held, the base class shows the button pushed only
    // while the mouse is over it.
    if (!m_bPressCaptured && !m_bHover && rect().contains(e->position().toPoint())) {
        m_bHover = true;
        update();
    }
    QAbstractButton::mouseMoveEvent(e);
}

void CxSkinButton::mouseDoubleClickEvent(QMouseEvent* e) {
    // A second press, so a double click clicks twice.
    mousePressEvent(e);
}

void CxSkinButton::leaveEvent(QEvent* e) {
    m_bHover = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void CxSkinButton::focusOutEvent(QFocusEvent* e) {
    m_bPressCaptured = false;
    QAbstractButton::focusOutEvent(e);
}

void CxSkinButton::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat() && (m_nKind == kCheckBox || m_nKind == kRadio))
        SetCheck(m_nKind == kCheckBox ? !m_bCheckState : true);
    QAbstractButton::keyPressEvent(e);
}

bool CxSkinButton::hitButton(const QPoint& pos) const {
    // Presses outside the mask's shape miss the button, as they would miss
    // a shaped window.
    return rect().contains(pos) && (!m_hasRegion || m_hRegion.contains(pos));
}

}  // namespace quabrel
