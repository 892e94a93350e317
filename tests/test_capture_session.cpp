// The capture engine on its own: no window, the fake cameras and device
// nodes in place of hardware, failures recorded as the user would see them.
#include "capture/CaptureSession.h"
#include "platform/FramePublisher.h"
#include "support/FakeV4l2.h"
#include "support/WidgetTestUtil.h"

#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include <set>
#include <tuple>

namespace quabrel {
namespace {

using testing::FakeV4l2;
using testing::WaitUntil;

// A reader of the frame callback's PipeWire side: one buffer at a time,
// in the format the reader chose, or none while it is slow.
class FakePublisher final : public FramePublisher {
public:
    explicit FakePublisher(OutputFormat format) : m_buffer(OutputFrameBytes(format, 2, 2)), m_format(format) {}
    bool BeginFrame(OutputFrame* frame) override {
        if (busy) return false;
        *frame = {m_buffer.data(), 2, 2, m_format};
        return true;
    }
    void EndFrame(bool filled) override { sent += filled; }
    std::vector<uint8_t> Sent() const { return m_buffer; }
    bool busy = false;
    int sent = 0;

private:
    std::vector<uint8_t> m_buffer;
    OutputFormat m_format;
};

TEST(FrameCallback, UntouchedWithoutAdjustmentsConvertedForEachReceiverAndTheHeaderOnlyOnce) {
    FakeV4l2 v4l2;
    CColorProcessor processor;
    const auto companion = CompanionDevice::Open("/fake/quabrel");
    ASSERT_NE(companion, nullptr);
    FakePublisher camera(OutputFormat::kBgra);
    CSampleGrabberCB callback;
    const FrameOutputs outputs{companion.get(), true, &camera, 2, 2};
    callback.SetUp(&processor, 2, 2, outputs);
    // 32-bit frames in; the fourth byte never leaves as it came.
    std::vector<uint8_t> frame{0, 0, 0, 90, 255, 255, 255, 91, 0, 0, 0, 92, 255, 255, 255, 93};
    const std::vector<uint8_t> before = frame;
    EXPECT_EQ(callback.BufferCB(0, frame.data(), 16), S_OK);
    EXPECT_EQ(frame, before);
    EXPECT_TRUE(callback.HeaderSent());
    EXPECT_EQ(callback.BufferCB(0, frame.data(), 16), S_OK);
    const auto node = v4l2.Snapshot("/fake/quabrel");
    ASSERT_EQ(node.formats.size(), 1u) << "the header once";
    EXPECT_EQ(node.formats[0].fmt.pix.pixelformat, static_cast<uint32_t>(V4L2_PIX_FMT_YUYV));
    // What the browsers' V4L2 capture takes (Chromium lists no BGR24 at all).
    const std::set<uint32_t> chromium{V4L2_PIX_FMT_YUV420, V4L2_PIX_FMT_NV12, V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_UYVY,
                                      V4L2_PIX_FMT_RGB24, V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_JPEG};
    EXPECT_TRUE(chromium.count(node.formats[0].fmt.pix.pixelformat)) << "a format Chromium cannot read";
    EXPECT_EQ(node.formats[0].fmt.pix.bytesperline, 4u);
    EXPECT_EQ(node.formats[0].fmt.pix.sizeimage, 8u);
    EXPECT_EQ(node.formats[0].fmt.pix.quantization, static_cast<uint32_t>(V4L2_QUANTIZATION_LIM_RANGE));
    EXPECT_EQ(node.frameSizes, (std::vector<std::size_t>{8, 8}));
    EXPECT_EQ(node.lastFrame, (std::vector<uint8_t>{16, 128, 235, 128, 16, 128, 235, 128}));
    EXPECT_EQ(camera.Sent(), (std::vector<uint8_t>{0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255}));
    EXPECT_EQ(camera.sent, 2);

    // A frame cut short sends its whole rows and the rest as last sent; a
    // reader without a free buffer misses the frame, the companion does not.
    camera.busy = true;
    std::vector<uint8_t> shortFrame{255, 255, 255, 0, 255, 255, 255, 0, 26, 27};
    EXPECT_EQ(callback.BufferCB(0, shortFrame.data(), 10), S_OK);
    EXPECT_EQ(v4l2.Snapshot("/fake/quabrel").lastFrame, (std::vector<uint8_t>{235, 128, 235, 128, 16, 128, 235, 128}));
    EXPECT_EQ(camera.sent, 2);

    callback.SetUp(&processor, 2, 2, outputs);
    EXPECT_FALSE(callback.HeaderSent()) << "a new connection announces itself again";
}

TEST(FrameCallback, AFrameOfAnotherSizeReachesTheReceiversAtTheirs) {
    FakeV4l2 v4l2;
    CColorProcessor processor;
    const auto companion = CompanionDevice::Open("/fake/quabrel");
    ASSERT_NE(companion, nullptr);
    CSampleGrabberCB callback;
    callback.SetUp(&processor, 4, 1, {companion.get(), true, nullptr, 2, 2});
    std::vector<uint8_t> frame{255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(callback.BufferCB(0, frame.data(), 16), S_OK);
    const auto node = v4l2.Snapshot("/fake/quabrel");
    ASSERT_EQ(node.formats.size(), 1u);
    EXPECT_EQ(node.formats[0].fmt.pix.width, 2u) << "the size the companion keeps, not the frame's";
    EXPECT_EQ(node.lastFrame, (std::vector<uint8_t>{235, 128, 16, 128, 235, 128, 16, 128}));
}

TEST(FrameCallback, ACompanionWhoseNodeWillNotOpenGetsNothingButTheFrameIsStillAdjusted) {
    CColorProcessor processor;
    PictureSettings settings;
    settings.redShift = 40;
    UpdateColorProcessor(processor, settings, false);
    CSampleGrabberCB callback;
    callback.SetUp(&processor, 1, 1, {nullptr, true, nullptr, 0, 0});
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
