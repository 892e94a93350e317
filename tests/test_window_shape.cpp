#include "skin/WindowShape.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quabrel
