// Our narrow, re-laid-out tables against the plain formulas, over every
// colour a frame can hold.

#include "imaging/ColorProcessor.h"
#include "support/ColorReference.h"
#include "support/ColorTestUtil.h"

#include <gtest/gtest.h>

namespace quabrel {
namespace {

using reference::Settings;

#ifdef QUABREL_SANITIZED
constexpr uint32_t kStride = 97;  // sanitizers are ~20x slower: a spread sample
#else
constexpr uint32_t kStride = 1;
#endif

std::vector<uint8_t> Colours() {
    std::vector<uint8_t> frame;
    frame.reserve(((1u << 24) / kStride + 1) * 3);
    for (uint32_t c = 0; c < (1u << 24); c += kStride) {
        frame.push_back(static_cast<uint8_t>(c));
        frame.push_back(static_cast<uint8_t>(c >> 8));
        frame.push_back(static_cast<uint8_t>(c >> 16));
    }
    return frame;
}

void ExpectSameAsReference(const Settings& s, const std::vector<uint8_t>& colours) {
    CColorProcessor processor;
    testing::Configure(processor, s);
    auto ours = colours;
    auto theirs = colours;
    const auto pixels = static_cast<int32_t>(colours.size() / 3);
    processor.ProcessFrame(ours.data(), pixels, ours.size(), PixelLayout::kBgr);
    reference::Processor(s).Process(theirs.data(), pixels);
    for (std::size_t i = 0; i < ours.size(); i += 3) {
        if (ours[i] != theirs[i] || ours[i + 1] != theirs[i + 1] || ours[i + 2] != theirs[i + 2]) {
            FAIL() << "colour (r,g,b) = (" << int(colours[i + 2]) << ", " << int(colours[i + 1]) << ", "
                   << int(colours[i]) << ") gives (" << int(ours[i + 2]) << ", " << int(ours[i + 1]) << ", "
                   << int(ours[i]) << "), expected (" << int(theirs[i + 2]) << ", " << int(theirs[i + 1]) << ", "
                   << int(theirs[i]) << ")";
        }
    }
}

class ExhaustiveSaturation : public ::testing::TestWithParam<int> {};

TEST_P(ExhaustiveSaturation, EveryColourMatchesTheFormulas) {
    static const auto colours = Colours();
    Settings s;
    s.stillImage = true;
    s.saturationValue = GetParam();
    ExpectSameAsReference(s, colours);
}

INSTANTIATE_TEST_SUITE_P(Settings, ExhaustiveSaturation, ::testing::Values(0, 1, 25, 49, 50, 51, 75, 99, 100));

TEST(ExhaustiveLevels, ShiftsToneAndSaturationTogetherMatchTheFormulas) {
    static const auto colours = Colours();
    Settings s;
    s.red = 37;
    s.green = -64;
    s.blue = 100;
    s.brightnessValue = -13;
    s.contrastValue = 71;
    ExpectSameAsReference(s, colours);
    s.stillImage = true;
    s.saturationValue = 83;
    ExpectSameAsReference(s, colours);
}

TEST(ExhaustiveLevels, DeviceRangesMatchTheFormulas) {
    static const auto colours = Colours();
    Settings s;  // a typical camera's ranges
    s.brightnessMinimum = 0, s.brightnessMaximum = 255, s.brightnessDefault = 128, s.brightnessValue = 200;
    s.contrastMinimum = 0, s.contrastMaximum = 95, s.contrastDefault = 32, s.contrastValue = 5;
    ExpectSameAsReference(s, colours);
}

TEST(FixedTables, EveryEntryMatchesTheFormulas) {
    const auto& ours = ColorTables::Instance();
    const auto& ref = reference::SharedTables();
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b <= a; ++b) {
            ASSERT_EQ(ours.Saturation(a, b), ref.pair[a][b][2]) << a << "," << b;
            ASSERT_EQ(ours.Lightness(a + b), ref.pair[a][b][3]) << a << "," << b;
        }
    for (int c = 0; c < 3; ++c)
        for (int d = 0; d < 256; ++d)
            for (int diff = -d; diff <= d; ++diff) ASSERT_EQ(ours.Hue(c, d, diff), ref.Hue(d, diff + 255, c));
    for (int s = 0; s <= 100; ++s)
        for (int k = 0; k <= 100; ++k) {
            ASSERT_EQ(ours.SaturationScale(s, k), ref.saturationScale[s][k]);
            ASSERT_EQ(ours.BoundLow(s, k), ref.bounds[s][k][0]);
            ASSERT_EQ(ours.BoundHigh(s, k), ref.bounds[s][k][1]);
        }
    for (int h = 0; h <= 360; ++h) {
        ASSERT_EQ(ours.hueUp[h], ref.hueRotation[h][0]);
        ASSERT_EQ(ours.hueDown[h], ref.hueRotation[h][1]);
        for (int j = 0; j <= 100; ++j)
            for (int k = 0; k <= 100; ++k) ASSERT_EQ(ours.Channel(h, j, k), ref.Channel(h, j, k));
    }
}

}  // namespace
}  // namespace quabrel
