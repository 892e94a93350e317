#include "imaging/ColorProcessor.h"
#include "support/ColorReference.h"
#include "support/ColorTestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace quabrel {
namespace {

using reference::Settings;
using testing::Configure;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb ProcessOne(CColorProcessor& processor, Rgb in) {
    uint8_t px[3] = {static_cast<uint8_t>(in.b), static_cast<uint8_t>(in.g), static_cast<uint8_t>(in.r)};
    processor.ProcessFrame(px, 1, sizeof px, PixelLayout::kBgr);
    return {px[2], px[1], px[0]};
}

Settings StillImage(int saturation) {
    Settings s;
    s.stillImage = true;
    s.saturationValue = saturation;
    return s;
}

class ColorProcessorTest : public ::testing::Test {
protected:
    CColorProcessor processor;
};

TEST_F(ColorProcessorTest, NeutralSettingsLeaveTheFrameUntouched) {
    Configure(processor, Settings{});
    auto frame = testing::RandomFrame(1000, 1);
    const auto original = frame;
    processor.ProcessFrame(frame.data(), 1000, frame.size(), PixelLayout::kBgr);
    EXPECT_EQ(frame, original);
}

TEST_F(ColorProcessorTest, ColourShiftTablesMoveLevelsTowardsTheEnds) {
    Settings s;
    s.red = 50;
    s.green = -50;
    Configure(processor, s);
    const auto& red = processor.RedTable();
    EXPECT_EQ(red[0], 127);
    EXPECT_EQ(red[1], 128);
    EXPECT_EQ(red[100], 177);
    EXPECT_EQ(red[254], 254);
    EXPECT_EQ(red[255], 255);
    const auto& green = processor.GreenTable();
    EXPECT_EQ(green[3], 2);
    EXPECT_EQ(green[128], 64);
    EXPECT_EQ(green[254], 127);
    EXPECT_EQ(green[255], 128);
    EXPECT_TRUE(processor.GetStages().applyRed);
    EXPECT_TRUE(processor.GetStages().applyGreen);
    EXPECT_FALSE(processor.GetStages().applyBlue);

    // Blue is not shifted and the tone stage is off: only red and green move.
    EXPECT_EQ(ProcessOne(processor, {0, 128, 77}), (Rgb{127, 64, 77}));
}

TEST_F(ColorProcessorTest, BrightnessOffsetsFollowTheSoftwareRange) {
    // offset = floor(1.27 * value) for the software range
    const std::array<std::pair<int, int>, 6> cases{{{1, 1}, {50, 63}, {100, 127}, {-1, -2}, {-50, -64}, {-100, -127}}};
    for (const auto& [value, offset] : cases) {
        Settings s;
        s.brightnessValue = value;
        Configure(processor, s);
        const auto& tone = processor.ToneTable();
        // With gain 1 the table is i + offset, clamped.
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(tone[i], std::clamp(i + offset, 0, 255)) << "brightness " << value << " at " << i;
    }
}

TEST_F(ColorProcessorTest, BrightnessAndContrastTablesMatchWorkedValues) {
    Settings s;
    s.brightnessValue = 50;
    Configure(processor, s);
    EXPECT_EQ(processor.ToneTable()[0], 63);
    EXPECT_EQ(processor.ToneTable()[191], 254);
    EXPECT_EQ(processor.ToneTable()[192], 255);

    s.brightnessValue = -50;
    Configure(processor, s);
    EXPECT_EQ(processor.ToneTable()[64], 0);
    EXPECT_EQ(processor.ToneTable()[65], 1);
    EXPECT_EQ(processor.ToneTable()[127], 63);
    EXPECT_EQ(processor.ToneTable()[255], 191);

    s = Settings{};
    s.contrastValue = 50;  // gain 1.5
    Configure(processor, s);
    const auto& tone = processor.ToneTable();
    EXPECT_EQ(tone[0], 0);
    EXPECT_EQ(tone[1], 0);
    EXPECT_EQ(tone[64], 32);
    EXPECT_EQ(tone[126], 125);
    EXPECT_EQ(tone[127], 127);
    EXPECT_EQ(tone[128], 128);
    EXPECT_EQ(tone[200], 236);
    EXPECT_EQ(tone[254], 255);
    EXPECT_EQ(tone[255], 255);
}

TEST_F(ColorProcessorTest, ContrastIsLimitedToNinetyPercentOfEachHalf) {
    Settings s;
    for (const auto& [extreme, limit] : {std::pair{100, 90}, std::pair{-100, -90}}) {
        s.contrastValue = extreme;
        Configure(processor, s);
        const auto atExtreme = processor.ToneTable();
        s.contrastValue = limit;
        Configure(processor, s);
        EXPECT_EQ(atExtreme, processor.ToneTable()) << extreme;
    }
    s.contrastValue = -90;  // gain 0.1
    Configure(processor, s);
    EXPECT_EQ(processor.ToneTable()[0], 114);
    EXPECT_EQ(processor.ToneTable()[255], 139);
}

TEST_F(ColorProcessorTest, DeviceHandledPropertiesPlayNoPartInSoftware) {
    Settings s;
    s.contrastValue = 80;
    s.contrastDeviceHandled = true;
    s.brightnessValue = 50;
    Configure(processor, s);
    EXPECT_FALSE(processor.GetStages().applyContrast);
    EXPECT_TRUE(processor.GetStages().applyBrightness);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(processor.ToneTable()[i], std::min(i + 63, 255));

    s.brightnessDeviceHandled = true;
    Configure(processor, s);
    auto frame = testing::RandomFrame(64, 2);
    const auto original = frame;
    processor.ProcessFrame(frame.data(), 64, frame.size(), PixelLayout::kBgr);
    EXPECT_EQ(frame, original);
}

TEST_F(ColorProcessorTest, StillImageSaturationWorkedExamples) {
    Configure(processor, StillImage(50));
    EXPECT_EQ(processor.SaturationIndex(), 50);
    EXPECT_EQ(ProcessOne(processor, {255, 0, 0}), (Rgb{255, 0, 0}));
    EXPECT_EQ(ProcessOne(processor, {200, 100, 50}), (Rgb{199, 100, 51}));
    EXPECT_EQ(ProcessOne(processor, {10, 20, 30}), (Rgb{10, 20, 31}));
    for (int grey : {0, 128, 255}) EXPECT_EQ(ProcessOne(processor, {grey, grey, grey}), (Rgb{grey, grey, grey}));

    Configure(processor, StillImage(0));
    EXPECT_EQ(ProcessOne(processor, {255, 0, 0}), (Rgb{128, 128, 128}));
    EXPECT_EQ(ProcessOne(processor, {200, 100, 50}), (Rgb{125, 125, 125}));
    EXPECT_EQ(ProcessOne(processor, {10, 20, 30}), (Rgb{20, 20, 20}));

    Configure(processor, StillImage(100));
    EXPECT_EQ(ProcessOne(processor, {200, 100, 50}), (Rgb{250, 83, 0}));
    EXPECT_EQ(ProcessOne(processor, {10, 20, 30}), (Rgb{0, 20, 41}));
    EXPECT_EQ(ProcessOne(processor, {255, 128, 0}), (Rgb{255, 128, 0}));
}

TEST_F(ColorProcessorTest, WorkedExampleTableEntries) {
    const auto& t = ColorTables::Instance();
    EXPECT_EQ(t.Saturation(200, 50), 60);
    EXPECT_EQ(t.Lightness(250), 49);
    EXPECT_EQ(t.Hue(0, 150, 100 - 50), 20);
    EXPECT_EQ(t.SaturationScale(60, 50), 60);
    EXPECT_EQ(t.BoundLow(60, 49), 20);
    EXPECT_EQ(t.BoundHigh(60, 49), 78);
    EXPECT_EQ(t.hueUp[20], 140);
    EXPECT_EQ(t.hueDown[20], 260);
    EXPECT_EQ(t.Channel(140, 20, 78), 199);
    EXPECT_EQ(t.Channel(20, 20, 78), 100);
    EXPECT_EQ(t.Channel(260, 20, 78), 51);
    EXPECT_EQ(t.hueUp[240], 360);
    EXPECT_EQ(t.hueUp[241], 1);
    EXPECT_EQ(t.hueDown[119], 359);
    EXPECT_EQ(t.hueDown[120], 0);
    EXPECT_EQ(t.hueDown[360], 240);
}

TEST_F(ColorProcessorTest, EveryPixelCountMatchesTheFormulas) {
    // Frames are adjusted several pixels at a time; the pixels left over at
    // the end must come out the same.
    Settings s;
    s.red = 30, s.green = -70, s.brightnessValue = 12;
    for (bool still : {false, true}) {
        s.stillImage = still;
        Configure(processor, s);
        const reference::Processor expected(s);
        for (int count = 1; count <= 9; ++count) {
            auto ours = testing::RandomFrame(count, static_cast<uint32_t>(count));
            auto theirs = ours;
            processor.ProcessFrame(ours.data(), count, ours.size(), PixelLayout::kBgr);
            expected.Process(theirs.data(), count);
            EXPECT_EQ(ours, theirs) << count << " pixels, still image " << still;
        }
    }
}

TEST_F(ColorProcessorTest, FramesWithAFourthByteGetTheSameColoursAndKeepThatByte) {
    // The same pixels as 24-bit and as 32-bit frames, through every path:
    // levels only, saturation alone, and both; odd and even counts; a
    // buffer that ends inside a pixel.
    Settings levels;
    levels.red = 30, levels.green = -70, levels.blue = 5, levels.contrastValue = 40;
    Settings both = levels;
    both.stillImage = true, both.saturationValue = 80;
    for (const Settings& s : {levels, StillImage(20), both}) {
        Configure(processor, s);
        for (int count : {1, 2, 3, 7, 640}) {
            auto bgr = testing::RandomFrame(static_cast<std::size_t>(count), static_cast<uint32_t>(count));
            std::vector<uint8_t> bgrx;
            for (std::size_t i = 0; i < bgr.size(); i += 3)
                bgrx.insert(bgrx.end(), {bgr[i], bgr[i + 1], bgr[i + 2], static_cast<uint8_t>(i * 7)});
            const auto original = bgrx;
            processor.ProcessFrame(bgr.data(), count, bgr.size(), PixelLayout::kBgr);
            // The last pixel's fourth byte lies past the buffer's end.
            const std::size_t length = bgrx.size() - 1;
            processor.ProcessFrame(bgrx.data(), count, length, PixelLayout::kBgrx);
            for (int p = 0; p < count - 1; ++p) {
                const std::size_t in = std::size_t(p) * 4, out = std::size_t(p) * 3;
                ASSERT_EQ((Rgb{bgrx[in + 2], bgrx[in + 1], bgrx[in]}), (Rgb{bgr[out + 2], bgr[out + 1], bgr[out]}))
                    << count << " pixels, pixel " << p << ", still image " << s.stillImage;
                ASSERT_EQ(bgrx[in + 3], original[in + 3]) << "fourth byte of pixel " << p;
            }
            const std::size_t last = std::size_t(count - 1) * 4;
            EXPECT_TRUE(std::equal(bgrx.begin() + long(last), bgrx.end(), original.begin() + long(last)))
                << "a pixel cut short by the buffer is left alone";
        }
    }
}

TEST_F(ColorProcessorTest, NoPixelsOrNoBufferLeaveTheFrameAlone) {
    Settings s;
    s.red = 100;
    Configure(processor, s);
    std::vector<uint8_t> frame(30, 7);
    for (int count : {0, -1, -1000}) {
        processor.ProcessFrame(frame.data(), count, frame.size(), PixelLayout::kBgr);
        EXPECT_EQ(frame, std::vector<uint8_t>(30, 7)) << count;
    }
    processor.ProcessFrame(nullptr, 10, 30, PixelLayout::kBgr);  // must not crash
}

TEST_F(ColorProcessorTest, ShortBufferGetsOnlyItsWholePixelsProcessed) {
    Settings s;
    s.red = 100;
    s.stillImage = true;
    Configure(processor, s);
    // 3 whole pixels and one stray byte inside the buffer; guards behind it.
    std::vector<uint8_t> storage(10 + 16, 0);
    const std::size_t length = 10;
    processor.ProcessFrame(storage.data(), 1000, length, PixelLayout::kBgr);
    for (std::size_t i = 0; i < 9; i += 3) EXPECT_EQ(storage[i + 2], 255) << "pixel " << i / 3;
    for (std::size_t i = 9; i < storage.size(); ++i) EXPECT_EQ(storage[i], 0) << "byte " << i;
}

TEST_F(ColorProcessorTest, SettingsReachTheFrameOnlyWhenPublished) {
    Settings s;
    s.red = 100;
    processor.SetAdjustments(s.red, 0, 0, 0, 100, -100, 0, false, 0, 100, -100, 0, false, 50, 100, 0);
    processor.SetStages({.applyRed = true});
    uint8_t px[3] = {0, 0, 0};
    processor.ProcessFrame(px, 1, 3, PixelLayout::kBgr);
    EXPECT_EQ(px[2], 0);
    processor.Publish();
    processor.ProcessFrame(px, 1, 3, PixelLayout::kBgr);
    EXPECT_EQ(px[2], 255);
}

TEST_F(ColorProcessorTest, HostileDeviceRangesStayWithinTheTables) {
    // Ranges a broken driver might report: empty, inverted, values outside.
    const std::array<std::array<int32_t, 4>, 5> ranges{{
        {5, 5, 5, 5},
        {7, 0, 100, 50},
        {-2000000000, 2000000000, -2000000000, 0},
        {300, 255, 0, 128},
        {INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX},
    }};
    for (const auto& [value, max, min, def] : ranges) {
        processor.SetAdjustments(INT32_MIN, INT32_MAX, 0, value, max, min, def, false, value, max, min, def, false,
                                 value, max, min);
        EXPECT_GE(processor.SaturationIndex(), 0);
        EXPECT_LE(processor.SaturationIndex(), 100);
        processor.SetStages({true, true, true, true, true, true});
        processor.Publish();
        auto frame = testing::RandomFrame(256, 3);
        processor.ProcessFrame(frame.data(), 256, frame.size(), PixelLayout::kBgr);
    }
}

}  // namespace
}  // namespace quabrel
