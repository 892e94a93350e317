// The capture engine on its own: no window, the fake cameras and device
// nodes in place of hardware, failures recorded as the user would see them.
#include "capture/CaptureSession.h"
#include "support/FakeV4l2.h"
#include "support/WidgetTestUtil.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quabrel {
namespace {

using testing::FakeV4l2;
using testing::WaitUntil;

TEST(FrameCallback, UntouchedWithoutAdjustmentsPackedForTheCompanionAndTheHeaderOnlyOnce) {
    FakeV4l2 v4l2;
    CColorProcessor processor;
    const auto companion = CompanionDevice::Open("/fake/quabrel");
    ASSERT_NE(companion, nullptr);
    CSampleGrabberCB callback;
    callback.SetUp(&processor, companion.get(), true, 2, 2);
    // 32-bit frames in, 24-bit rows out: the fourth byte never leaves.
    std::vector<uint8_t> frame{1, 2, 3, 90, 4, 5, 6, 91, 7, 8, 9, 92, 10, 11, 12, 93};
    const std::vector<uint8_t> before = frame;
    EXPECT_EQ(callback.BufferCB(0, frame.data(), 16), S_OK);
    EXPECT_EQ(frame, before);
    EXPECT_TRUE(callback.HeaderSent());
    EXPECT_EQ(callback.BufferCB(0, frame.data(), 16), S_OK);
    const auto node = v4l2.Snapshot("/fake/quabrel");
    EXPECT_EQ(node.formats.size(), 1u) << "the header once";
    EXPECT_EQ(node.formats[0].fmt.pix.sizeimage, 12u);
    EXPECT_EQ(node.frameSizes, (std::vector<std::size_t>{12, 12}));
    EXPECT_EQ(node.lastFrame, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

    // A frame cut short sends its whole rows and the rest as last sent.
    std::vector<uint8_t> shortFrame{20, 21, 22, 0, 23, 24, 25, 0, 26, 27};
    EXPECT_EQ(callback.BufferCB(0, shortFrame.data(), 10), S_OK);
    EXPECT_EQ(v4l2.Snapshot("/fake/quabrel").lastFrame,
              (std::vector<uint8_t>{20, 21, 22, 23, 24, 25, 7, 8, 9, 10, 11, 12}));

    callback.SetUp(&processor, companion.get(), true, 2, 2);
    EXPECT_FALSE(callback.HeaderSent()) << "a new connection announces itself again";
}

TEST(FrameCallback, ACompanionWhoseNodeWillNotOpenGetsNothingButTheFrameIsStillAdjusted) {
    CColorProcessor processor;
    PictureSettings settings;
    settings.redShift = 40;
    UpdateColorProcessor(processor, settings, false);
    CSampleGrabberCB callback;
    callback.SetUp(&processor, nullptr, true, 1, 1);
    uint8_t pixel[4] = {9, 8, 7, 6};
    EXPECT_EQ(callback.BufferCB(0, pixel, 4), E_NOINTERFACE);
    EXPECT_GT(pixel[2], 7) << "red shifted";
    EXPECT_EQ(pixel[3], 6);
}

TEST(CaptureEngine, BuildsAndReportsWithoutAWindow) {
    struct Recorder final : CaptureReporter {
        void Report(const std::string& text, const std::string&) override { texts.push_back(text); }
        std::vector<std::string> texts;
    } reporter;
    FakeV4l2 v4l2;
    CaptureSession session(reporter);
    EXPECT_EQ(session.BuildLive("Fake Camera Busy"), CaptureSession::LiveBuild::kInUse);
    EXPECT_EQ(reporter.texts, std::vector<std::string>{"The capture device is already in use!"});
    EXPECT_FALSE(session.GraphBuilt());

    reporter.texts.clear();
    EXPECT_EQ(session.BuildLive(""), CaptureSession::LiveBuild::kNotSupported) << "nothing chosen";
    EXPECT_EQ(reporter.texts, std::vector<std::string>{"This driver is not supported now."});

    reporter.texts.clear();
    ASSERT_EQ(session.BuildLive("Fake Camera Full"), CaptureSession::LiveBuild::kConnected);
    EXPECT_TRUE(session.HasPictureControls());
    VideoProcSetting brightness;
    ASSERT_EQ(session.ReadPictureControl(VideoProcAmp::kBrightness, &brightness), S_OK);
    EXPECT_EQ(std::make_tuple(brightness.minimum, brightness.maximum, brightness.defaultValue, brightness.value),
              std::make_tuple(0, 255, 128, 140));
    EXPECT_TRUE(brightness.deviceHandled);
    EXPECT_TRUE(session.ConnectVideo(nullptr, nullptr, 0)) << "a live graph renders";
    ASSERT_TRUE(SUCCEEDED(session.Run()));
    session.SetDeviceActive(true);
    EXPECT_TRUE(WaitUntil([&] { return v4l2.Snapshot("/fake/quabrel").frameSizes.size() >= 2; }));
    session.ChangeFrameRate(2000000);  // 5 f/s: not this camera's
    EXPECT_EQ(reporter.texts, std::vector<std::string>{"Cannot set new frame rate"});
    session.Teardown();
    EXPECT_FALSE(session.GraphBuilt());
}

}  // namespace
}  // namespace quabrel
