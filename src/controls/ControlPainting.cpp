#include "controls/ControlPainting.h"

#include <QPainter>
#include <QPalette>
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

void DrawEdge(QPainter& painter, const QRect& r, bool raised, const QPalette& palette) {
    const QColor outerLight = raised ? palette.color(QPalette::Light) : palette.color(QPalette::Dark);
    const QColor outerDark = raised ? palette.color(QPalette::Shadow) : palette.color(QPalette::Light);
    const QColor innerLight = raised ? palette.color(QPalette::Midlight) : palette.color(QPalette::Shadow);
    const QColor innerDark = raised ? palette.color(QPalette::Dark) : palette.color(QPalette::Midlight);
    auto frame = [&painter](const QRect& f, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(f.topLeft(), f.topRight());
        painter.drawLine(f.topLeft(), f.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(f.bottomLeft(), f.bottomRight());
        painter.drawLine(f.topRight(), f.bottomRight());
    };
    frame(r, outerLight, outerDark);
    frame(r.adjusted(1, 1, -1, -1), innerLight, innerDark);
}

}  // namespace quabrel
