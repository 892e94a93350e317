#include "skin/PngImage.h"
#include "support/Fifo.h"
#include "support/PngWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

namespace quabrel {
namespace {

using testing::PngSpec;

struct Bgrx {
    int b, g, r, x;
    bool operator==(const Bgrx&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Bgrx& p) {
    return os << "(b " << p.b << ", g " << p.g << ", r " << p.r << ", x " << p.x << ")";
}

Bgrx PixelAt(const PngImage& image, int x, int y) {
    const uint8_t* p = image.GetPixels() + (std::size_t(y) * image.GetWidth() + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

class PngImageTest : public ::testing::Test {
protected:
    std::string Write(const PngSpec& spec, const std::string& name = "image.png") {
        const std::string path = dir.Path(name);
        EXPECT_TRUE(testing::WritePng(path, spec));
        return path;
    }
    testing::TempDir dir;
};

// Grey at every bit depth: low depths are scaled up to 8 bits, 16-bit
// samples keep their high byte.
TEST_F(PngImageTest, GreyAtEveryBitDepth) {
    for (int depth : {1, 2, 4, 8, 16}) {
        PngSpec spec;
        spec.width = 5, spec.height = 2, spec.bitDepth = depth;
        const int maxSample = (1 << depth) - 1;
        for (int i = 0; i < 10; ++i) spec.samples.push_back(uint16_t(i * 37 % (maxSample + 1)));
        PngImage image;
        ASSERT_TRUE(image.Read(Write(spec))) << depth;
        ASSERT_EQ(image.GetWidth(), 5);
        ASSERT_EQ(image.GetHeight(), 2);
        for (int i = 0; i < 10; ++i) {
            const int v = spec.samples[i];
            const int g = depth == 16 ? v >> 8 : v * 255 / maxSample;
            EXPECT_EQ(PixelAt(image, i % 5, i / 5), (Bgrx{g, g, g, 0})) << "depth " << depth << " sample " << i;
        }
    }
}

TEST_F(PngImageTest, ColourAndAlphaTypesAt8And16Bits) {
    struct Case {
        int type;
        int channels;
    };
    for (const Case c : {Case{PNG_COLOR_TYPE_RGB, 3}, Case{PNG_COLOR_TYPE_RGB_ALPHA, 4},
                         Case{PNG_COLOR_TYPE_GRAY_ALPHA, 2}}) {
        for (int depth : {8, 16}) {
            PngSpec spec;
            spec.width = 3, spec.height = 2, spec.colorType = c.type, spec.bitDepth = depth;
            for (int i = 0; i < 6 * c.channels; ++i) {
                const int v = (i * 41 + 7) % 256;
                spec.samples.push_back(uint16_t(depth == 16 ? (v << 8) | 0xA5 : v));
            }
            PngImage image;
            ASSERT_TRUE(image.Read(Write(spec))) << c.type << "/" << depth;
            for (int p = 0; p < 6; ++p) {
                const auto s = [&](int k) { return (p * c.channels * 41 + k * 41 + 7) % 256; };
                Bgrx expected{};
                if (c.type == PNG_COLOR_TYPE_GRAY_ALPHA) expected = {s(0), s(0), s(0), s(1)};
                else if (c.type == PNG_COLOR_TYPE_RGB) expected = {s(2), s(1), s(0), 0};
                else expected = {s(2), s(1), s(0), s(3)};
                EXPECT_EQ(PixelAt(image, p % 3, p / 3), expected) << c.type << "/" << depth << " pixel " << p;
            }
        }
    }
}

TEST_F(PngImageTest, PaletteWithAndWithoutTransparency) {
    for (int depth : {1, 2, 4, 8}) {
        PngSpec spec;
        spec.width = 4, spec.height = 1, spec.colorType = PNG_COLOR_TYPE_PALETTE, spec.bitDepth = depth;
        spec.palette = {{10, 20, 30}, {200, 100, 50}};
        spec.samples = {0, 1, 1, 0};
        PngImage opaque;
        ASSERT_TRUE(opaque.Read(Write(spec)));
        EXPECT_EQ(PixelAt(opaque, 0, 0), (Bgrx{30, 20, 10, 0})) << depth;
        EXPECT_EQ(PixelAt(opaque, 1, 0), (Bgrx{50, 100, 200, 0})) << depth;

        spec.paletteAlpha = {0};  // index 0 transparent, the rest opaque
        PngImage keyed;
        ASSERT_TRUE(keyed.Read(Write(spec, "keyed.png")));
        EXPECT_EQ(PixelAt(keyed, 0, 0), (Bgrx{30, 20, 10, 0})) << depth;
        EXPECT_EQ(PixelAt(keyed, 1, 0), (Bgrx{50, 100, 200, 255})) << depth;
        EXPECT_EQ(PixelAt(keyed, 3, 0).x, 0) << depth;
    }
}

TEST_F(PngImageTest, GreyAndRgbTransparencyChunksBecomeAlpha) {
    PngSpec grey;
    grey.width = 2, grey.samples = {9, 10};
    grey.greyOrRgbTransparent = true;
    grey.transparentColour.gray = 9;
    PngImage image;
    ASSERT_TRUE(image.Read(Write(grey)));
    EXPECT_EQ(PixelAt(image, 0, 0), (Bgrx{9, 9, 9, 0}));
    EXPECT_EQ(PixelAt(image, 1, 0), (Bgrx{10, 10, 10, 255}));

    PngSpec rgb;
    rgb.width = 2, rgb.colorType = PNG_COLOR_TYPE_RGB, rgb.samples = {167, 79, 255, 1, 2, 3};
    rgb.greyOrRgbTransparent = true;
    rgb.transparentColour.red = 167, rgb.transparentColour.green = 79, rgb.transparentColour.blue = 255;
    ASSERT_TRUE(image.Read(Write(rgb)));
    EXPECT_EQ(PixelAt(image, 0, 0), (Bgrx{255, 79, 167, 0}));
    EXPECT_EQ(PixelAt(image, 1, 0), (Bgrx{3, 2, 1, 255}));
}

TEST_F(PngImageTest, SinglePixelGreyAndInterlacedImages) {
    PngSpec one;
    one.samples = {77};
    PngImage image;
    ASSERT_TRUE(image.Read(Write(one)));
    ASSERT_EQ(image.GetWidth() * image.GetHeight(), 1);
    EXPECT_EQ(PixelAt(image, 0, 0), (Bgrx{77, 77, 77, 0}));

    PngSpec interlaced;
    interlaced.width = 13, interlaced.height = 11, interlaced.colorType = PNG_COLOR_TYPE_RGB;
    interlaced.interlaced = true;
    for (int i = 0; i < 13 * 11; ++i)
        interlaced.samples.insert(interlaced.samples.end(), {uint16_t(i % 13 * 19), uint16_t(i / 13 * 23), uint16_t(i % 256)});
    ASSERT_TRUE(image.Read(Write(interlaced)));
    for (int i = 0; i < 13 * 11; ++i)
        ASSERT_EQ(PixelAt(image, i % 13, i / 13), (Bgrx{i % 256, i / 13 * 23, i % 13 * 19, 0})) << i;
}

TEST_F(PngImageTest, FilesThatAreNotGoodPngsFailWithoutAPicture) {
    PngSpec spec;
    spec.width = 40, spec.height = 40, spec.colorType = PNG_COLOR_TYPE_RGB;
    for (int i = 0; i < 40 * 40 * 3; ++i) spec.samples.push_back(uint16_t(i * 13 % 256));
    const std::string good = Write(spec, "good.png");
    std::ifstream in(good, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});

    std::string corrupted = bytes;
    for (std::size_t i = 60; i < 90 && i < corrupted.size(); ++i) corrupted[i] = char(corrupted[i] ^ 0x5A);
    std::string hugeHeader = bytes;  // IHDR claims 65535 x 65535; CRC fixed below
    hugeHeader.replace(16, 8, std::string("\x00\x00\xff\xff\x00\x00\xff\xff", 8));
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const unsigned char*>(hugeHeader.data() + 12), 17));
    const char crcBytes[4] = {char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
    hugeHeader.replace(29, 4, crcBytes, 4);

    const std::pair<std::string, std::string> bad[] = {
        {"empty.png", ""},
        {"short.png", bytes.substr(0, 7)},
        {"signature-only.png", bytes.substr(0, 8)},
        {"truncated.png", bytes.substr(0, bytes.size() / 2)},
        {"no-end.png", bytes.substr(0, bytes.size() - 12)},
        {"corrupted.png", corrupted},
        {"huge.png", hugeHeader},
        {"bitmap.png", "BM" + std::string(60, '\0')},
    };
    for (const auto& [name, content] : bad) {
        const std::string path = dir.Write(name, content);
        PngImage image;
        EXPECT_FALSE(image.Read(path)) << name;
        EXPECT_FALSE(image.IsLoaded()) << name;
    }
    EXPECT_FALSE(IsPngFile(dir.Path("bitmap.png")));
    EXPECT_FALSE(IsPngFile(dir.Path("short.png")));
    EXPECT_FALSE(IsPngFile(dir.Path("missing.png")));
    EXPECT_TRUE(IsPngFile(good));
    PngImage image;
    EXPECT_FALSE(image.Read(dir.Path("missing.png")));
    EXPECT_FALSE(image.Read(dir.Path()));  // a folder
}

TEST_F(PngImageTest, AFailedReadAfterAGoodOneReportsNotLoaded) {
    PngSpec spec;
    spec.samples = {1};
    PngImage image;
    ASSERT_TRUE(image.Read(Write(spec)));
    EXPECT_TRUE(image.IsLoaded());
    EXPECT_FALSE(image.Read(dir.Write("bad.png", "not a png")));
    EXPECT_FALSE(image.IsLoaded());
}

TEST_F(PngImageTest, ANamedPipeOrAFolderIsRefusedAtOnce) {
    const std::string fifo = dir.Path("pipe.png");
    ASSERT_TRUE(testing::MakeFifo(fifo));
    std::filesystem::create_directory(dir.Path("folder.png"));
    for (const std::string& path : {fifo, dir.Path("PIPE.PNG"), dir.Path("folder.png")}) {
        bool signature = true, read = true;
        PngImage image;
        EXPECT_TRUE(testing::ReturnsPromptly(fifo, [&] {
            signature = IsPngFile(path);
            read = image.Read(path);
        })) << path;
        EXPECT_FALSE(signature) << path;
        EXPECT_FALSE(read) << path;
        EXPECT_EQ(image.GetPixels(), nullptr);
    }
}

}  // namespace
}  // namespace quabrel
