#pragma once

#include "skin/Skin.h"

#include <QAbstractButton>
#include <QImage>
#include <QRegion>

#include <cstdint>
#include <string>

namespace quabrel {

// A button drawn entirely from skin pictures: one per state (normal, down,
// over, disabled, focus), optionally cut to the shape of a mask picture. It
// can act as a push button, a check box (kind 2) or a radio button (kind 4).
class CxSkinButton : public QAbstractButton {
    Q_OBJECT

public:
    enum Kind { kPush = 0, kCheckBox = 2, kRadio = 4 };
    enum DrawMode { kNatural = 0, kStretch = 1, kTile = 2 };
    // Which picture a paint shows; kFace is the plain button-face fill.
    enum class Picture { kFace, kNormal, kDown, kOver, kDisabled, kFocus };

    // Outside a button's shape in every mask picture.
    static constexpr QRgb kKeyColor = 0xFFA74FFF;  // RGB(167, 79, 255)
    // Posted to the other members of a radio group when one is checked.
    static const int kUncheckEvent;

    explicit CxSkinButton(QWidget* parent = nullptr);
    ~CxSkinButton() override;

    // Decides the kind from the button style's low byte, as a window's
    // style would: both low bits set is a check box, bits 0 and 3 a radio.
    void PreSubclassWindow(uint32_t style);

    void SetSkinFromResources(int normal, int down, int over, int disabled, int focus, int mask, int16_t drawMode,
                              int16_t border, int16_t focusMargin);
    // The pictures a skin file gives this button (read by the skin, once).
    void SetSkin(const ButtonPictures& pictures, int16_t drawMode, int16_t border, int16_t focusMargin);

    // The run of every row's pixels that differ from `key`; null image gives
    // an empty region.
    static QRegion CreateRegionFromBitmap(const QImage& bitmap, QRgb key);

    // Draws `bitmap` into `rect` by `drawMode`, through the mask if there is one.
    void DrawImage(QPainter& painter, const QImage& bitmap, const QRect& rect, int drawMode);

    // What the button says while no picture stands for it (its plain face)
    // and its own text is empty: a skin that leaves a button out must not
    // leave the user guessing what it does.
    void SetFallbackText(const QString& text);
    const QString& FallbackText() const { return m_fallbackText; }

    void SetCheck(bool checked);  // the check message
    int GetCheck() const { return m_bCheckState ? 1 : 0; }
    int GetKind() const { return m_nKind; }
    int16_t GetDrawMode() const { return m_nDrawMode; }
    bool IsHovering() const { return m_bHover; }
    bool IsPressCaptured() const { return m_bPressCaptured; }
    const QRegion& Shape() const { return m_hRegion; }
    bool HasShape() const { return m_hasRegion; }
    bool HasMask() const { return !m_bmpMask.isNull(); }
    // The picture the next paint shows, decided as the paint decides it.
    Picture ShownPicture() const;

    // A group of radio buttons starts at a member marked here and runs to the
    // next marked sibling.
    static void SetGroupStart(QWidget& widget, bool start);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void DeleteBitmaps();
    void SetModes(int16_t drawMode, int16_t border, int16_t focusMargin);
    void ApplyMask();
    void UncheckGroupMembers();
    void DrawText(QPainter& painter, const QRect& rect, const QColor& color, bool plainFace);

    bool m_bCheckState = false;
    int m_nKind = kPush;
    bool m_bHover = false;
    bool m_bPressCaptured = false;
    QImage m_bmpNormal;
    QImage m_bmpDown;
    QImage m_bmpDisabled;
    QImage m_bmpMask;
    QImage m_bmpOver;
    QImage m_bmpFocus;
    int16_t m_nFocusMargin = 0;
    QColor m_crText;
    QRegion m_hRegion;
    bool m_hasRegion = false;
    int16_t m_bBorder = 0;
    int16_t m_nDrawMode = kStretch;
    QString m_fallbackText;
};

}  // namespace quabrel
