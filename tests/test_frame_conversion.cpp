// What the virtual cameras receive: the adjusted BGRx frame in the format a
// reader chose, against GStreamer's own conversion as the reference.
#include "imaging/FrameConversion.h"
#include "support/VideoConvertReference.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace quabrel {
namespace {

using testing::VideoConvertBgrx;

// A picture of random colours, one colour to each 2 x 2 block when `blocks`:
// then chroma has one right answer, however a converter subsamples it. The
// padding byte is random too: it must never reach a reader.
std::vector<uint8_t> RandomBgrx(int width, int height, bool blocks, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> frame(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &frame[(static_cast<std::size_t>(y) * width + x) * 4];
            if (blocks && (x % 2 != 0 || y % 2 != 0)) {
                const uint8_t* first = &frame[(static_cast<std::size_t>(y - y % 2) * width + (x - x % 2)) * 4];
                std::copy(first, first + 3, p);
            } else {
                for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(random());
            }
            p[3] = static_cast<uint8_t>(random());
        }
    // The extremes of every channel, where rounding and clamping show.
    const uint8_t corners[][3] = {{0, 0, 0}, {255, 255, 255}, {0, 0, 255}, {255, 0, 0}};
    for (int i = 0; i < 4; ++i)
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                std::copy(corners[i], corners[i] + 3, &frame[(static_cast<std::size_t>(dy) * width + 2 * i + dx) * 4]);
    return frame;
}

std::vector<uint8_t> Convert(const std::vector<uint8_t>& bgrx, int width, int height, OutputFormat format,
                             int targetWidth = 0, int targetHeight = 0) {
    if (targetWidth == 0) targetWidth = width, targetHeight = height;
    std::vector<uint8_t> out(OutputFrameBytes(format, targetWidth, targetHeight), 0x5a);
    EXPECT_TRUE(ConvertFrame({bgrx.data(), width, height, bgrx.size()}, {out.data(), targetWidth, targetHeight, format}));
    return out;
}

// How many bytes differ by more than `tolerance`, and the first such place.
std::string Differences(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want, int tolerance,
                        std::size_t step = 1, std::size_t first = 0) {
    if (got.size() != want.size()) return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size());
    std::size_t count = 0, at = 0;
    for (std::size_t i = first; i < got.size(); i += step)
        if (std::abs(got[i] - want[i]) > tolerance && count++ == 0) at = i;
    if (count == 0) return {};
    return std::to_string(count) + " bytes, first at " + std::to_string(at) + ": " + std::to_string(got[at]) +
           " for " + std::to_string(want[at]);
}

class FrameConversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }
};

TEST_F(FrameConversion, EveryFormatMatchesGStreamersConversionWithinOne) {
    // 72 x 50: rows of every plane without padding in GStreamer's layout.
    constexpr int kWidth = 72, kHeight = 50;
    const std::vector<uint8_t> frame = RandomBgrx(kWidth, kHeight, true, 7);
    for (auto [format, name] : {std::pair{OutputFormat::kYuy2, "YUY2"}, {OutputFormat::kI420, "I420"}}) {
        const std::vector<uint8_t> want = VideoConvertBgrx(frame, kWidth, kHeight, name);
        ASSERT_FALSE(want.empty()) << "GStreamer did not convert to " << name;
        EXPECT_EQ(Differences(Convert(frame, kWidth, kHeight, format), want, 1), "") << name;
    }
    // Readers take the fourth byte as alpha: always opaque (GStreamer passes
    // the padding through), colours as they are.
    std::vector<uint8_t> want = VideoConvertBgrx(frame, kWidth, kHeight, "BGRA");
    ASSERT_EQ(want.size(), frame.size());
    for (std::size_t i = 3; i < want.size(); i += 4) want[i] = 255;
    EXPECT_EQ(Differences(Convert(frame, kWidth, kHeight, OutputFormat::kBgra), want, 0), "");
}

TEST_F(FrameConversion, LumaFollowsEveryPixelAndChromaTheAverageOfThePixelsSharingIt) {
    constexpr int kWidth = 72, kHeight = 50;
    const std::vector<uint8_t> frame = RandomBgrx(kWidth, kHeight, false, 11);
    const std::vector<uint8_t> want = VideoConvertBgrx(frame, kWidth, kHeight, "YUY2");
    ASSERT_FALSE(want.empty());
    const std::vector<uint8_t> got = Convert(frame, kWidth, kHeight, OutputFormat::kYuy2);
    EXPECT_EQ(Differences(got, want, 1, 2), "") << "luma, every other byte";

    // A black and a white pixel share mid-grey chroma, and each keeps its
    // own luma: 16 and 235, the limited range.
    const std::vector<uint8_t> pair{0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0};
    EXPECT_EQ(Convert(pair, 2, 2, OutputFormat::kYuy2), (std::vector<uint8_t>{16, 128, 235, 128, 16, 128, 235, 128}));
    // Pure red over pure blue: I420's one chroma pair is their mean.
    const std::vector<uint8_t> redOverBlue{0, 0, 255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0};
    const std::vector<uint8_t> i420 = Convert(redOverBlue, 2, 2, OutputFormat::kI420);
    EXPECT_EQ(std::vector<uint8_t>(i420.begin(), i420.begin() + 4), (std::vector<uint8_t>{82, 82, 41, 41}));
    EXPECT_NEAR(i420[4], (90 + 240) / 2, 1);
    EXPECT_NEAR(i420[5], (240 + 110) / 2, 1);
}

TEST_F(FrameConversion, AnotherSizeIsScaledToTheTargetsAndMissingRowsAreLeftAsTheyWere) {
    // 4 x 2 into 2 x 2: every other column, nearest pixel.
    std::vector<uint8_t> wide(4 * 2 * 4);
    for (std::size_t i = 0; i < 8; ++i) wide[i * 4] = wide[i * 4 + 1] = wide[i * 4 + 2] = static_cast<uint8_t>(10 * i);
    const std::vector<uint8_t> scaled = Convert(wide, 4, 2, OutputFormat::kBgra, 2, 2);
    EXPECT_EQ(scaled, (std::vector<uint8_t>{0, 0, 0, 255, 20, 20, 20, 255, 40, 40, 40, 255, 60, 60, 60, 255}));
    // 1 x 1 into 2 x 2: the one pixel everywhere.
    const std::vector<uint8_t> dot{1, 2, 3, 4};
    EXPECT_EQ(Convert(dot, 1, 1, OutputFormat::kBgra, 2, 2),
              (std::vector<uint8_t>{1, 2, 3, 255, 1, 2, 3, 255, 1, 2, 3, 255, 1, 2, 3, 255}));

    // A frame with only its first row: the second target row stays.
    const std::vector<uint8_t> firstRow{1, 2, 3, 4, 1, 2, 3, 4};
    std::vector<uint8_t> target(OutputFrameBytes(OutputFormat::kBgra, 2, 2), 7);
    EXPECT_TRUE(ConvertFrame({firstRow.data(), 2, 2, firstRow.size()}, {target.data(), 2, 2, OutputFormat::kBgra}));
    EXPECT_EQ(std::vector<uint8_t>(target.begin() + 8, target.end()), std::vector<uint8_t>(8, 7));
    // Nothing to convert: no whole row, an odd target, no target.
    EXPECT_FALSE(ConvertFrame({firstRow.data(), 2, 2, 7}, {target.data(), 2, 2, OutputFormat::kBgra}));
    EXPECT_FALSE(ConvertFrame({dot.data(), 1, 1, 4}, {target.data(), 3, 2, OutputFormat::kBgra}));
    EXPECT_FALSE(ConvertFrame({dot.data(), 1, 1, 4}, {nullptr, 2, 2, OutputFormat::kBgra}));
    EXPECT_EQ(target[0], 1);
}

}  // namespace
}  // namespace quabrel
