#include "controls/Backdrop.h"

#include <QWidget>

namespace quabrel {

QImage BackdropOf(const QWidget& widget, const QRect& area, const QColor& fallback) {
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(fallback);
    QWidget* parent = widget.parentWidget();
    if (parent == nullptr || area.isEmpty()) return image;
    const QRect source(widget.mapToParent(area.topLeft()), area.size());
    // render() puts the top-left of what it paints, after cutting the
    // region to the parent's shape, at the offset given: aim it there.
    QRegion painted(source);
    if (!parent->mask().isEmpty()) painted &= parent->mask();
    if (painted.isEmpty()) return image;
    parent->render(&image, painted.boundingRect().topLeft() - source.topLeft(), QRegion(source), QWidget::DrawWindowBackground);
    return image;
}

}  // namespace quabrel
