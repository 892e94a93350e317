#include "skin/DialogSK.h"
#include "skin/WindowShape.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace quabrel {
namespace {

const QRgb kKey = qRgb(167, 79, 255);

// Every pixel is inside exactly when it is not the key colour.
void ExpectShapeFollowsPixels(const QImage& image, QRgb key) {
    const QRegion region = WindowShapeFromBackground(image, key);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(region.contains(QPoint(x, y)), (image.pixel(x, y) & RGB_MASK) != (key & RGB_MASK))
                << x << "," << y;
    EXPECT_TRUE(image.rect().contains(region.boundingRect()) || region.isEmpty());
}

TEST(WindowShape, AllTransparentGivesAnEmptyRegionAndNoTransparencyARectangle) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(kKey);
    EXPECT_TRUE(WindowShapeFromBackground(image, kKey).isEmpty());
    image.fill(qRgb(1, 2, 3));
    EXPECT_EQ(WindowShapeFromBackground(image, kKey), QRegion(0, 0, 40, 30));
}

TEST(WindowShape, RoundedOutlineLeavesTheCornersOut) {
    QImage image(120, 90, QImage::Format_RGB32);
    image.fill(kKey);
    QPainter painter(&image);
    painter.setBrush(QColor(30, 60, 90));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRect(0, 0, 120, 90), 20, 20);
    painter.drawEllipse(QRect(50, 30, 20, 20));
    painter.setBrush(QColor(kKey));
    painter.drawEllipse(QRect(10, 40, 15, 15));  // a hole
    painter.end();
    ExpectShapeFollowsPixels(image, kKey);
    const QRegion region = WindowShapeFromBackground(image, kKey);
    for (QPoint corner : {QPoint(0, 0), QPoint(119, 0), QPoint(0, 89), QPoint(119, 89)})
        EXPECT_FALSE(region.contains(corner));
}

TEST(WindowShape, NoiseAndAlphaBytesAndOtherFormats) {
    std::mt19937 rng(5);
    QImage image(64, 48, QImage::Format_ARGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, rng() % 3 ? (kKey & RGB_MASK) | (rng() % 256) << 24 : qRgba(167, 79, 254, 255));
    // The key matches whatever the fourth byte holds.
    ExpectShapeFollowsPixels(image, kKey);
    ExpectShapeFollowsPixels(image.convertToFormat(QImage::Format_RGB888), kKey);
    // Black as the key colour (a "Red" of 256 wraps to 0).
    QImage black(10, 10, QImage::Format_RGB32);
    black.fill(Qt::black);
    black.setPixel(3, 4, qRgb(0, 0, 1));
    EXPECT_EQ(WindowShapeFromBackground(black, qRgb(0, 0, 0)), QRegion(3, 4, 1, 1));
}

TEST(CutAwayFace, TheKeyColourTurnsTransparentAndEverythingElseOpaqueAsStored) {
    QImage image(6, 2, QImage::Format_ARGB32);
    const QRgb straight[] = {kKey, qRgba(167, 79, 255, 0), qRgba(10, 20, 30, 128), qRgb(167, 79, 254),
                             qRgba(255, 255, 255, 0), qRgb(0, 0, 0)};
    for (int x = 0; x < 6; ++x) {
        image.setPixel(x, 0, straight[x]);
        image.setPixel(x, 1, straight[5 - x]);
    }
    const QImage face = CutAwayFace(image, kKey);
    ASSERT_EQ(face.format(), QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(face.size(), image.size());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) {
            const QRgb in = image.pixel(x, y);
            const QRgb out = reinterpret_cast<const QRgb*>(face.constScanLine(y))[x];  // premultiplied as stored
            if ((in & RGB_MASK) == (kKey & RGB_MASK))
                EXPECT_EQ(out, 0u) << x << "," << y;
            else  // a skin's own alpha is no part of its outline: the colour stays as stored
                EXPECT_EQ(out, in | 0xFF000000u) << x << "," << y;
        }
    // Without a key nothing is cut, and other formats come in as well.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const QImage whole = CutAwayFace(rgb, std::nullopt);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(whole.pixel(x, 0), rgb.pixel(x, 0) | 0xFF000000u) << x;
    EXPECT_TRUE(CutAwayFace(QImage(), kKey).isNull());
}

// The window's erase, painted into a picture that starts opaque red, so
// that whatever the erase leaves untouched shows.
struct FacePainter : CDialogSK {
    QImage Erase(QRect clip = {}) {
        QImage canvas(size(), QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::red);
        QPainter painter(&canvas);
        if (!clip.isNull()) painter.setClipRect(clip);
        OnEraseBkgnd(painter);
        painter.end();
        return canvas.convertToFormat(QImage::Format_ARGB32);
    }
};

int CountWrong(const QImage& painted, const std::function<QRgb(int, int)>& expected) {
    int wrong = 0;
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x) wrong += painted.pixel(x, y) != expected(x, y);
    return wrong;
}

// Each background style paints the bitmap's cut-away colour fully transparent
// and every other pixel opaque as stored, and the window colour where the
// bitmap does not reach; the caller's clip holds.
TEST(DialogFace, EveryStylePaintsTheBitmapWithItsCutAwayPartsTransparent) {
    constexpr int w = 5, h = 3;
    QImage bitmap(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.setPixel(x, y, (x + y) % 3 == 0 ? kKey : qRgb(40 * x, 80 * y, 99));
    const auto face = [&](int x, int y) -> QRgb {
        const QRgb p = bitmap.pixel(x, y);
        return (p & RGB_MASK) == (kKey & RGB_MASK) ? 0u : p | 0xFF000000u;
    };
    FacePainter dialog;
    dialog.SetBackgroundBitmap(bitmap, kKey);
    dialog.resize(12, 7);
    const QRgb window = dialog.palette().window().color().rgba();
    const int left = (12 - w) / 2, top = (7 - h) / 2;
    const struct {
        int style;
        std::function<QRgb(int, int)> expected;
    } styles[] = {
        {CDialogSK::kTopLeft, [&](int x, int y) { return x < w && y < h ? face(x, y) : window; }},
        {CDialogSK::kTile, [&](int x, int y) { return face(x % w, y % h); }},
        {CDialogSK::kCenter,
         [&](int x, int y) {
             const bool in = x >= left && x < left + w && y >= top && y < top + h;
             return in ? face(x - left, y - top) : window;
         }},
    };
    for (const auto& style : styles) {
        dialog.SetBackgroundStyle(style.style);
        EXPECT_EQ(CountWrong(dialog.Erase(), style.expected), 0) << "style " << style.style;
    }
    // Stretched, the corners come from the bitmap's corners, both cut away.
    dialog.SetBackgroundStyle(CDialogSK::kStretch);
    const QImage stretched = dialog.Erase();
    EXPECT_EQ(stretched.pixel(0, 0), 0u);
    EXPECT_EQ(stretched.pixel(11, 6), 0u);
    EXPECT_EQ(qAlpha(stretched.pixel(11, 0)), 255);

    // The caller's clip keeps the erase off the rest.
    dialog.SetBackgroundStyle(CDialogSK::kTile);
    const QRect clip(2, 1, 6, 4);
    EXPECT_EQ(CountWrong(dialog.Erase(clip),
                         [&](int x, int y) { return clip.contains(x, y) ? face(x % w, y % h) : qRgb(255, 0, 0); }),
              0);
}

// Without a cut-away colour every pixel is painted opaque as stored, the key
// colour too, and so is a picture that comes with an alpha channel.
TEST(DialogFace, WithoutACutAwayColourEverythingIsOpaque) {
    QImage bitmap(4, 2, QImage::Format_ARGB32);
    bitmap.fill(qRgba(10, 20, 30, 0));
    bitmap.setPixel(1, 1, kKey);
    FacePainter dialog;
    dialog.SetBackgroundBitmap(bitmap);
    dialog.resize(4, 2);
    EXPECT_EQ(CountWrong(dialog.Erase(), [&](int x, int y) { return bitmap.pixel(x, y) | 0xFF000000u; }), 0);
    EXPECT_FALSE(dialog.Background().hasAlphaChannel());
}

}  // namespace
}  // namespace quabrel
