#include "skin/SkinImage.h"
#include "support/PngWriter.h"
#include "support/TempDir.h"

#include <QImage>

#include <gtest/gtest.h>

namespace quabrel {
namespace {

class SkinImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::PngSpec spec;
        spec.width = 2, spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        spec.samples = {167, 79, 255, 0, 10, 20, 30, 255};
        ASSERT_TRUE(testing::WritePng(dir.Path("img.png"), spec));

        QImage bmp(3, 2, QImage::Format_RGB32);
        bmp.fill(QColor(1, 2, 3));
        bmp.setPixel(2, 1, qRgb(200, 100, 50));
        ASSERT_TRUE(bmp.save(QString::fromStdString(dir.Path("img.bmp")), "BMP"));
    }
    testing::TempDir dir;
};

TEST_F(SkinImageTest, PngTypeInAnyCaseDecodesToAnOpaqueImage) {
    for (const char* type : {"png", "PNG", "Png"}) {
        QImage image;
        ASSERT_TRUE(LoadSkinImage(dir.Path("img.png"), type, image)) << type;
        ASSERT_EQ(image.size(), QSize(2, 1));
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        // The alpha sample is not part of what a skin shows.
        EXPECT_EQ(image.pixel(0, 0), qRgb(167, 79, 255)) << type;
        EXPECT_EQ(image.pixel(1, 0), qRgb(10, 20, 30)) << type;
    }
}

TEST_F(SkinImageTest, BmpTypeInAnyCaseReadsBitmaps) {
    for (const char* type : {"bmp", "BMP"}) {
        QImage image;
        ASSERT_TRUE(LoadSkinImage(dir.Path("IMG.Bmp"), type, image)) << type;  // name case differs
        ASSERT_EQ(image.size(), QSize(3, 2));
        EXPECT_EQ(image.pixel(0, 0), qRgb(1, 2, 3));
        EXPECT_EQ(image.pixel(2, 1), qRgb(200, 100, 50));
    }
}

TEST_F(SkinImageTest, FailuresFollowTheType) {
    QImage image(1, 1, QImage::Format_RGB32);
    EXPECT_FALSE(LoadSkinImage(dir.Path("img.png"), "jpg", image));
    EXPECT_TRUE(image.isNull());
    EXPECT_FALSE(LoadSkinImage(dir.Path("img.png"), "", image));
    // A bitmap that cannot be read still "loads": the caller checks the image.
    EXPECT_TRUE(LoadSkinImage(dir.Path("missing.bmp"), "bmp", image));
    EXPECT_TRUE(image.isNull());
    EXPECT_TRUE(LoadSkinImage(dir.Path("img.png"), "bmp", image));
    EXPECT_TRUE(image.isNull());
    // Bitmap bytes under a PNG name fail the signature test.
    EXPECT_FALSE(LoadSkinImage(dir.Write("fake.png", std::string(64, 'B')), "png", image));
    EXPECT_TRUE(image.isNull());
}

}  // namespace
}  // namespace quabrel
