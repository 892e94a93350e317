#pragma once

#include <QImage>
#include <QRect>

class QWidget;

namespace quabrel {

// What `widget`'s parent paints beneath it (its own paint only, no other
// children), at the widget's size: for controls that let the skin show
// through. A widget without parent gets `fallback`.
QImage BackdropOf(const QWidget& widget, const QRect& area, const QColor& fallback);

}  // namespace quabrel
