#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRegion>

#include <optional>

namespace quabrel {

// A frameless dialog whose face is a bitmap. It draws the background in one
// of five styles, can size the window to it, and moves the window when the
// background is pressed.
class CDialogSK : public QDialog {
    Q_OBJECT

public:
    enum BackgroundStyle { kTopLeft = 0, kTile = 1, kCenter = 2, kStretch = 3, kResizeToBitmap = 4 };

    explicit CDialogSK(QWidget* parent = nullptr);
    ~CDialogSK() override;

    // Takes the bitmap (a null image clears the background). Pixels of the
    // colour `cutAway` are painted fully transparent (the window is
    // translucent). Always true: an image that exists has a readable size.
    bool SetBackgroundBitmap(QImage bitmap, std::optional<QRgb> cutAway = std::nullopt);
    // What the bitmap keeps of itself, in its own coordinates: all of it
    // without a cut-away colour.
    const QRegion& FaceShape() const { return m_faceShape; }
    // Style 4 also resizes the window to the bitmap and raises it.
    void SetBackgroundStyle(int style);

    const QImage& Background() const { return m_hBackground; }
    // True while the window follows the mouse by hand because the window
    // system declined to move it.
    bool IsMovingByHand() const { return m_manualMove; }

protected:
    virtual bool OnInitDialog();
    // Paints the skin background into `painter` (already clipped by callers
    // that keep parts of the window out of the erase).
    virtual void OnEraseBkgnd(QPainter& painter);
    virtual void OnLButtonDown(QMouseEvent* event);

    // Lets this press move the window once the pointer has travelled the
    // drag distance with the left button still down: the window system's
    // own move when it offers one, else by hand until the button is
    // released. A press that ends before that is a click and moves nothing.
    void ArmWindowMove(QMouseEvent* event);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_bMoveOnClick = 1;
    QImage m_hBackground;
    // Painting clips the bitmap to this, so no second, cut-away copy of a
    // megabyte-sized picture is kept.
    QRegion m_faceShape;
    std::optional<QRgb> m_cutAway;
    int m_nBackgroundStyle = 0;

    void BeginWindowMove();
    // The bitmap at its own size with its top-left at `at`.
    void DrawFace(QPainter& painter, QPoint at) const;

    bool m_moveArmed = false;   // a press may still become a move
    bool m_manualMove = false;
    QPoint m_pressPosition;     // global
    QPoint m_grabOffset;
};

}  // namespace quabrel
