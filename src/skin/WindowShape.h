#pragma once

#include <QRegion>
#include <QRgb>

#include <optional>

class QImage;

namespace quabrel {

// The window's outline cut out of its background: every pixel whose colour
// differs from `transparent` (alpha ignored) is inside, every pixel of that
// colour outside. An all-transparent background gives an empty region, one
// without the colour a rectangle of the image's size.
QRegion WindowShapeFromBackground(const QImage& background, QRgb transparent);

// The face a translucent window paints: `background` in premultiplied ARGB
// with every pixel of the colour `transparent` (alpha ignored) fully
// transparent and every other pixel opaque, its colour as stored; without a
// colour, all of it opaque. Where the window system cannot shape a window
// (Wayland), what is painted is what is seen.
QImage CutAwayFace(const QImage& background, std::optional<QRgb> transparent);

}  // namespace quabrel

class QWidget;

namespace quabrel {

// Gives `widget` the shape `region` (widget coordinates). Unlike
// QWidget::setMask, an empty region really hides everything: Qt would read
// it as "no shape at all".
void SetWidgetShape(QWidget& widget, const QRegion& region);

}  // namespace quabrel
