#pragma once

#include <QRegion>
#include <QRgb>

class QImage;

namespace quabrel {

// The window's outline cut out of its background: every pixel whose colour
// differs from `transparent` (alpha ignored) is inside, every pixel of that
// colour outside. An all-transparent background gives an empty region, one
// without the colour a rectangle of the image's size.
QRegion WindowShapeFromBackground(const QImage& background, QRgb transparent);

}  // namespace quabrel

class QWidget;

namespace quabrel {

// Gives `widget` the shape `region` (widget coordinates). Unlike
// QWidget::setMask, an empty region really hides everything: Qt would read
// it as "no shape at all".
void SetWidgetShape(QWidget& widget, const QRegion& region);

}  // namespace quabrel
