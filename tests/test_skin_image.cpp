#include "skin/SkinImage.h"
#include "support/Fifo.h"
#include "support/PngWriter.h"
#include "support/TempDir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

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

TEST_F(SkinImageTest, UncompressedBitmapsCutShortOfTheirRowsAreRefusedAsIfUnreadable) {
    // Qt would hand back the missing rows as whatever its memory held.
    std::ifstream in(dir.Path("img.bmp"), std::ios::binary);
    const std::string whole{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(whole.size(), 54u + 2 * 12);  // two rows of 3 pixels, padded to 12 bytes
    for (const std::size_t cut : {std::size_t{1}, std::size_t{12}, std::size_t{20}}) {
        QImage image(1, 1, QImage::Format_RGB32);
        EXPECT_TRUE(LoadSkinImage(dir.Write("cut.bmp", whole.substr(0, whole.size() - cut)), "bmp", image));
        EXPECT_TRUE(image.isNull()) << cut << " bytes short";
    }

    // Trailing bytes are harmless, and a top-down file (negative height)
    // needs no more rows than its size says.
    QImage image;
    ASSERT_TRUE(LoadSkinImage(dir.Write("long.bmp", whole + "trailing"), "bmp", image));
    EXPECT_EQ(image.size(), QSize(3, 2));
    std::string topDown = whole;
    topDown[22] = char(0xFE), topDown[23] = topDown[24] = topDown[25] = char(0xFF);  // height -2
    ASSERT_TRUE(LoadSkinImage(dir.Write("topdown.bmp", topDown), "bmp", image));
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(2, 0), qRgb(200, 100, 50));  // the first row stored is now the top one
}

TEST_F(SkinImageTest, NamedPipesAndFoldersAreRefusedAtOnceAsIfUnreadable) {
    const std::string fifo = dir.Path("pipe.img");
    ASSERT_TRUE(testing::MakeFifo(fifo));
    std::filesystem::create_directory(dir.Path("folder.img"));
    for (const std::string& path : {fifo, dir.Path("Pipe.IMG"), dir.Path("folder.img")}) {
        QImage bmp(1, 1, QImage::Format_RGB32), png(1, 1, QImage::Format_RGB32);
        bool bmpResult = false, pngResult = true;
        EXPECT_TRUE(testing::ReturnsPromptly(fifo, [&] {
            bmpResult = LoadSkinImage(path, "bmp", bmp);
            pngResult = LoadSkinImage(path, "png", png);
        })) << path;
        // As for a missing file: a bitmap "loads" empty, a PNG fails.
        EXPECT_TRUE(bmpResult) << path;
        EXPECT_TRUE(bmp.isNull()) << path;
        EXPECT_FALSE(pngResult) << path;
        EXPECT_TRUE(png.isNull()) << path;
    }
}

}  // namespace
}  // namespace quabrel
