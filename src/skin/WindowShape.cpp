#include "skin/WindowShape.h"

#include <QImage>
#include <QRect>

#include <vector>

namespace quabrel {

namespace {

struct Run {
    int left, right;  // [left, right)
    bool operator==(const Run&) const = default;
};

}  // namespace

QRegion WindowShapeFromBackground(const QImage& background, QRgb transparent) {
    const QImage image = background.format() == QImage::Format_RGB32 || background.format() == QImage::Format_ARGB32
                             ? background
                             : background.convertToFormat(QImage::Format_RGB32);
    const QRgb key = transparent & RGB_MASK;

    // Rows with the same runs as the row above extend its band, which keeps
    // the rectangle list short and in the banded order QRegion expects.
    std::vector<QRect> rects;
    std::vector<Run> bandRuns, rowRuns;
    std::size_t bandStart = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        rowRuns.clear();
        for (int x = 0; x < image.width();) {
            if ((row[x] & RGB_MASK) == key) {
                ++x;
                continue;
            }
            const int left = x;
            while (x < image.width() && (row[x] & RGB_MASK) != key) ++x;
            rowRuns.push_back({left, x});
        }
        if (y > 0 && rowRuns == bandRuns) {
            for (std::size_t i = bandStart; i < rects.size(); ++i) rects[i].setBottom(y);
            continue;
        }
        bandRuns = rowRuns;
        bandStart = rects.size();
        for (const Run& run : rowRuns) rects.emplace_back(QPoint(run.left, y), QPoint(run.right - 1, y));
    }
    QRegion region;
    if (!rects.empty()) region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

QImage CutAwayFace(const QImage& background, std::optional<QRgb> transparent) {
    if (background.isNull()) return {};
    // Straight ARGB keeps every colour as the skin gave it; once each pixel
    // is either opaque or all zero it is premultiplied as well.
    QImage face = background.convertToFormat(QImage::Format_ARGB32);
    // Without a colour the key has an alpha bit, which no masked pixel has.
    const QRgb key = transparent ? *transparent & RGB_MASK : 0xFF000000u;
    for (int y = 0; y < face.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(face.scanLine(y));
        for (int x = 0; x < face.width(); ++x) {
            // A skin's own alpha means nothing: its outline is the key colour.
            row[x] = (row[x] & RGB_MASK) == key ? 0 : row[x] | 0xFF000000u;
        }
    }
    face.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    return face;
}

}  // namespace quabrel

#include <QWidget>

namespace quabrel {

void SetWidgetShape(QWidget& widget, const QRegion& region) {
    // One pixel above and left of the widget: a shape that exists but shows
    // nothing.
    widget.setMask(region.isEmpty() ? QRegion(-1, -1, 1, 1) : region);
}

}  // namespace quabrel
