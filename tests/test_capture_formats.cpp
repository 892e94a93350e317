// Matching the engine's formats to what a camera states in its caps.
#include "platform/media/CaptureFormats.h"
#include "platform/media/GstPtr.h"

#include <gtest/gtest.h>

namespace quabrel {
namespace {

class CaptureFormats : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }
    static GstPtr<GstCaps> Caps(const char* text) {
        auto caps = GstPtr<GstCaps>::Adopt(gst_caps_from_string(text));
        EXPECT_TRUE(caps) << text;
        return caps;
    }
};

constexpr const char* kTypicalCamera =
    "video/x-raw,format=YUY2,width=640,height=480,framerate={30/1,15/1};"
    "video/x-raw,format=YUY2,width=160,height=120,framerate={30/1,15/1,10/1,5/1};"
    "image/jpeg,width=320,height=240,framerate={30/1}";

TEST_F(CaptureFormats, EveryEntryOfTheBoxFindsTheCamerasOwnRateOrNothing) {
    const auto caps = Caps(kTypicalCamera);
    struct Row {
        int64_t frameTime;
        int32_t width;
        std::optional<Fraction> want;
    } rows[] = {
        {333333, 640, Fraction{30, 1}},  // not 10000000/333333
        {666666, 640, Fraction{15, 1}},
        {2000000, 640, std::nullopt},    // 5 f/Sec: only the small size has it
        {2000000, 160, Fraction{5, 1}},
        {400000, 160, std::nullopt},     // 25 f/Sec: nowhere
        {500000, 160, std::nullopt},
    };
    for (const Row& row : rows) {
        const int32_t height = row.width * 3 / 4;
        EXPECT_EQ(OfferedRate(caps.get(), row.width, height, row.frameTime), row.want) << row.frameTime << " at " << row.width;
    }
    EXPECT_EQ(OfferedRate(caps.get(), 640, 480, 0), std::nullopt) << "no frame time asks for nothing";
    EXPECT_EQ(OfferedRate(caps.get(), 320, 240, 333333), std::nullopt) << "320x240 only as JPEG: not raw video";
    EXPECT_EQ(OfferedRate(caps.get(), 320, 240, 333333, Encoding::kJpeg), (Fraction{30, 1})) << "but as JPEG";
    EXPECT_EQ(OfferedRate(caps.get(), 320, 240, 666666, Encoding::kJpeg), std::nullopt);
}

TEST_F(CaptureFormats, NtscRatesAndRangesCountWithinTheTolerance) {
    const auto ntsc = Caps("video/x-raw,width=320,height=240,framerate={30000/1001,15000/1001}");
    EXPECT_EQ(OfferedRate(ntsc.get(), 320, 240, 333333), (Fraction{30000, 1001}));
    EXPECT_EQ(OfferedRate(ntsc.get(), 320, 240, 666666), (Fraction{15000, 1001}));
    EXPECT_EQ(OfferedRate(ntsc.get(), 320, 240, 400000), std::nullopt);

    const auto range = Caps("video/x-raw,width=[16,1920,8],height=[16,1080,8],framerate=[1/1,30/1]");
    EXPECT_EQ(OfferedRate(range.get(), 320, 240, 400000), (Fraction{25, 1})) << "a whole rate inside the range";
    EXPECT_EQ(OfferedRate(range.get(), 320, 240, 166666), std::nullopt) << "60 f/s is past the range";
    EXPECT_EQ(OfferedRate(range.get(), 320, 241, 400000), std::nullopt) << "241 is not on the height's step";

    const auto none = Caps("video/x-raw,width=320,height=240");
    EXPECT_EQ(OfferedRate(none.get(), 320, 240, 1000000), (Fraction{10, 1})) << "no stated rate: any";
    const auto any = GstPtr<GstCaps>::Adopt(gst_caps_new_any());
    EXPECT_EQ(OfferedRate(any.get(), 320, 240, 333333), (Fraction{30, 1}));
}

TEST_F(CaptureFormats, TheNearestOfferedSizeStandsInForOneTheCameraLacks) {
    constexpr Encoding kRaw = Encoding::kRaw, kJpeg = Encoding::kJpeg;
    const auto vgaOnly = Caps("video/x-raw,format=YUY2,width=640,height=480,framerate={30/1,15/1}");
    EXPECT_EQ(NearestOfferedSize(vgaOnly.get(), 320, 240), (OfferedSize{640, 480, kRaw}));

    // The size asked for as JPEG beats another size raw; at one size raw
    // beats JPEG, whichever the camera lists first.
    const auto typical = Caps(kTypicalCamera);
    EXPECT_EQ(NearestOfferedSize(typical.get(), 320, 240), (OfferedSize{320, 240, kJpeg}));
    EXPECT_EQ(NearestOfferedSize(typical.get(), 320, 240, kRaw), (OfferedSize{160, 120, kRaw})) << "raw only";
    EXPECT_EQ(NearestOfferedSize(typical.get(), 640, 480), (OfferedSize{640, 480, kRaw}));
    const auto both = Caps("image/jpeg,width=320,height=240;video/x-raw,format=YUY2,width=320,height=240");
    EXPECT_EQ(NearestOfferedSize(both.get(), 320, 240), (OfferedSize{320, 240, kRaw}));
    EXPECT_EQ(NearestOfferedSize(both.get(), 320, 240, kJpeg), (OfferedSize{320, 240, kJpeg}));

    const auto lists = Caps("video/x-raw,width={176,352},height={144,288}");
    EXPECT_EQ(NearestOfferedSize(lists.get(), 320, 240), (OfferedSize{352, 288, kRaw}));

    const auto range = Caps("video/x-raw,width=[16,1920,8],height=[16,1080,8]");
    EXPECT_EQ(NearestOfferedSize(range.get(), 320, 240), (OfferedSize{320, 240, kRaw}));
    EXPECT_EQ(NearestOfferedSize(range.get(), 4000, 5), (OfferedSize{1920, 16, kRaw})) << "clamped to the range";
    EXPECT_EQ(NearestOfferedSize(range.get(), 322, 240), (OfferedSize{320, 240, kRaw})) << "on the step";

    const auto jpegOnly = Caps("image/jpeg,width=320,height=240");
    EXPECT_EQ(NearestOfferedSize(jpegOnly.get(), 320, 240), (OfferedSize{320, 240, kJpeg}));
    EXPECT_EQ(NearestOfferedSize(jpegOnly.get(), 320, 240, kRaw), std::nullopt);
    const auto neither = Caps("video/x-h264,width=320,height=240");
    EXPECT_EQ(NearestOfferedSize(neither.get(), 320, 240), std::nullopt) << "nothing the grabber can take";
    EXPECT_EQ(NearestOfferedSize(nullptr, 320, 240), std::nullopt);
}

TEST_F(CaptureFormats, FrameTimesAreTheBoxsValues) {
    EXPECT_EQ(FrameTimeOf({30, 1}), 333333);
    EXPECT_EQ(FrameTimeOf({15, 1}), 666666);
    EXPECT_EQ(FrameTimeOf({30000, 1001}), 333666);
    EXPECT_EQ(FrameTimeOf({0, 1}), 0);
}

}  // namespace
}  // namespace quabrel
