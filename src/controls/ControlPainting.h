#pragma once

#include <QImage>
#include <QRect>

class QPainter;
class QPalette;
class QWidget;

namespace quabrel {

// What `widget`'s parent paints beneath it (its own paint only, no other
// children), at the widget's size: for controls that let the skin show
// through. A widget without parent gets `fallback`.
QImage BackdropOf(const QWidget& widget, const QRect& area, const QColor& fallback);

// A classic 3-D edge two pixels wide just inside `r`: raised (light above
// and left) or sunken (dark above and left).
void DrawEdge(QPainter& painter, const QRect& r, bool raised, const QPalette& palette);

}  // namespace quabrel
