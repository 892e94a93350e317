// The adjusted frames as a PipeWire camera: a private daemon with its
// session manager, the window on a fake camera, and a consumer reading the
// "Quabrel" node as any program reading cameras from PipeWire would.
#include "controls/BitComboBox.h"
#include "controls/MySliderControl.h"
#include "imaging/FrameConversion.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/FileDialog.h"
#include "platform/PipeWireCamera.h"
#include "platform/media/GstPtr.h"
#include "support/LiveWindow.h"
#include "support/PrivatePipeWire.h"
#include "support/WidgetTestUtil.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <vector>

namespace quabrel {
namespace {

using testing::MessageRecorder;
using testing::PrivatePipeWire;
using testing::WaitUntil;

// A program reading the camera: PipeWire's own GStreamer source, newest
// frame kept, in one format and with a frame-rate range around 30/1, as
// browsers ask for it (a node offering one other rate links to nothing).
class Consumer {
public:
    explicit Consumer(const char* format = "BGRA") {
        const std::string description = std::string("pipewiresrc target-object=Quabrel always-copy=true ! "
                                                    "video/x-raw,format=") +
                                        format + ",framerate=[1/1,30/1] ! appsink name=sink sync=false max-buffers=1 drop=true";
        m_pipeline = GstPtr<GstElement>::Adopt(gst_parse_launch(description.c_str(), nullptr));
        if (!m_pipeline) return;
        m_sink = GstPtr<GstElement>::Adopt(gst_bin_get_by_name(GST_BIN(m_pipeline.get()), "sink"));
        gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING);
    }
    ~Consumer() {
        if (m_pipeline) gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    }
    // The next frame within `ms`, with its size; empty when none came.
    std::vector<uint8_t> NextFrame(int* width = nullptr, int* height = nullptr, int ms = 5000) {
        if (!m_sink) return {};
        auto sample = GstPtr<GstSample>::Adopt(gst_app_sink_try_pull_sample(GST_APP_SINK(m_sink.get()), ms * GST_MSECOND));
        if (!sample) return {};
        GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample.get()), 0);
        if (width != nullptr) gst_structure_get_int(s, "width", width);
        if (height != nullptr) gst_structure_get_int(s, "height", height);
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return {};
        std::vector<uint8_t> bytes(map.data, map.data + map.size);
        gst_buffer_unmap(buffer, &map);
        return bytes;
    }
    // Frames keep coming: `count` more within a few seconds.
    bool Flowing(int count = 3) {
        for (int i = 0; i < count; ++i)
            if (NextFrame(nullptr, nullptr, 3000).empty()) return false;
        return true;
    }
private:
    GstPtr<GstElement> m_pipeline, m_sink;
};

// A program opening the camera now gets a frame. A node just replaced may
// still be on its way out, and a busy session links late: the program tries
// again with a new reader, each closed before anything else happens.
bool AReaderGetsAFrame() {
    return WaitUntil([] { return !Consumer().NextFrame(nullptr, nullptr, 2000).empty(); }, 15000);
}

// The frame as a reader of `format` gets it from the grabber's BGRx frame.
std::vector<uint8_t> AsRead(const std::vector<uint8_t>& bgrx, OutputFormat format) {
    std::vector<uint8_t> out(OutputFrameBytes(format, 320, 240));
    if (!ConvertFrame({bgrx.data(), 320, 240, bgrx.size()}, {out.data(), 320, 240, format})) return {};
    return out;
}

class UserCamera : public testing::LiveWindowTest {
protected:
    bool FramesFlow(std::size_t count = 5) {
        const std::size_t start = CompanionFrames();
        return WaitUntil([&] { return CompanionFrames() >= start + count; });
    }
    // The session up and the window on the plain camera, with its node.
    void StartOnPlainCamera(PrivatePipeWire& pipewire) {
        ASSERT_TRUE(pipewire.Start()) << "the private PipeWire session did not come up";
        ShowWindow();
        Choose("Fake Camera Plain");
        ASSERT_TRUE(m_window->DeviceActive());
        ASSERT_NE(m_window->Capture().UserCamera(), nullptr) << "no node although a session runs";
    }
};

TEST_F(UserCamera, EachReaderGetsTheAdjustedFramesInTheFormatItAsksFor) {
    MessageRecorder messages;
    PrivatePipeWire pipewire;
    ASSERT_NO_FATAL_FAILURE(StartOnPlainCamera(pipewire));

    ASSERT_TRUE(WaitUntil([] { return !PrivatePipeWire::NodeProperties("Quabrel").isEmpty(); }));
    const QByteArray node = PrivatePipeWire::NodeProperties("Quabrel");
    EXPECT_TRUE(node.contains("\"media.class\": \"Video/Source\"")) << node.toStdString();
    EXPECT_TRUE(node.contains("\"media.role\": \"Camera\"")) << "the camera portal shows only cameras";

    Release(1020, 60);  // red up
    const testing::GrabbedFrames grabbed(*m_window->Graph());
    // The fake camera's picture is still: once the change has passed, every
    // frame is the same, wherever it is read.
    for (auto [format, name] : {std::pair{OutputFormat::kBgra, "BGRA"}, {OutputFormat::kYuy2, "YUY2"},
                                {OutputFormat::kI420, "I420"}}) {
        // Each reader goes before the next comes, as a program closing it.
        Consumer consumer(name);
        int width = 0, height = 0;
        std::vector<uint8_t> seen, want;
        EXPECT_TRUE(WaitUntil([&] {
            seen = consumer.NextFrame(&width, &height, 200);
            want = AsRead(grabbed.Last(), format);
            return !seen.empty() && seen == want;
        }, 10000)) << name << ": the reader got " << seen.size() << " bytes, not the " << want.size() << " of the picture";
        EXPECT_EQ(width, 320) << name;
        EXPECT_EQ(height, 240) << name;
    }
    EXPECT_GT(m_window->Capture().UserCamera()->FramesSent(), 0u);
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
}

TEST_F(UserCamera, AReaderKeepsItsStreamWhileTheSourceChangesAndItEndsWithTheProgram) {
    MessageRecorder messages;
    PrivatePipeWire pipewire;
    ASSERT_NO_FATAL_FAILURE(StartOnPlainCamera(pipewire));
    const PipeWireCamera* camera = m_window->Capture().UserCamera();
    ASSERT_TRUE(AReaderGetsAFrame());

    // One reader, open from here to the end: a program in a call.
    Consumer reader;
    int width = 0, height = 0;
    ASSERT_FALSE(reader.NextFrame(&width, &height, 10000).empty());
    const std::vector<uint8_t> plain = reader.NextFrame();

    // Another camera, of another size: the same node, the same size, the
    // other camera's picture.
    Choose("Fake Camera VGA");
    ASSERT_TRUE(m_window->DeviceActive());
    EXPECT_EQ(m_window->Capture().UserCamera(), camera) << "the node was replaced";
    std::vector<uint8_t> vga;
    EXPECT_TRUE(WaitUntil([&] {
        vga = reader.NextFrame(&width, &height, 500);
        return !vga.empty() && vga != plain;
    }, 10000)) << "the reader never saw the second camera";
    EXPECT_EQ(std::pair(width, height), std::pair(320, 240)) << "the reader must not have to follow a size";

    // A frame-rate change, a stop and a play: frames pause and come back.
    auto* box = m_window->Item<CBitComboBox>(1016);
    box->setCurrentIndex(3);
    Q_EMIT box->activated(3);
    EXPECT_TRUE(reader.Flowing()) << "after the rate change";
    m_window->OnBnClickedStopfile();
    m_window->OnBnClickedPlayfile();
    EXPECT_TRUE(reader.Flowing()) << "after stop and play";

    // A file: still the same node and stream.
    const FileChooser previous = SetFileChooser([](QWidget*, const QString&) {
        return QStringLiteral(SHIPPED_SAMPLES "/bouncing-ball.avi");
    });
    m_window->OnCommand(CquabrelDlg::kCmdVideoFile);
    SetFileChooser(previous);
    EXPECT_EQ(m_window->Capture().UserCamera(), camera);
    EXPECT_TRUE(reader.Flowing()) << "after opening a file";
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();

    // The program ends: so does the node, and no frame comes after it.
    // (GStreamer's reader only stalls; browsers end their track: their own
    // test checks that.)
    m_window.reset();
    EXPECT_TRUE(WaitUntil([] { return PrivatePipeWire::NodeProperties("Quabrel").isEmpty(); }))
        << "the node outlived the program's window";
    reader.NextFrame(nullptr, nullptr, 200);  // one may have been on its way
    EXPECT_TRUE(reader.NextFrame(nullptr, nullptr, 1000).empty());
}

TEST_F(UserCamera, WithoutASessionOrWhenItDiesTheCameraGoesOnSilently) {
    MessageRecorder messages;
    {
        // No daemon in this runtime folder: no node, frames flow as before.
        PrivatePipeWire absent;
        ShowWindow();
        Choose("Fake Camera Plain");
        ASSERT_TRUE(m_window->DeviceActive());
        EXPECT_EQ(m_window->Capture().UserCamera(), nullptr);
        EXPECT_TRUE(FramesFlow());
        m_window.reset();
    }
    {
        PrivatePipeWire pipewire;
        ASSERT_TRUE(pipewire.Start());
        ShowWindow();
        Choose("Fake Camera Plain");
        ASSERT_NE(m_window->Capture().UserCamera(), nullptr);
        ASSERT_TRUE(AReaderGetsAFrame()) << "no frame reached a reader";
        // The daemon dies mid-stream: the window and the companion go on,
        // and the node's frames are dropped without waiting.
        pipewire.KillDaemon();
        EXPECT_TRUE(FramesFlow(10));
        const uint64_t dropped = m_window->Capture().UserCamera()->FramesDropped();
        EXPECT_TRUE(FramesFlow(5));
        EXPECT_GT(m_window->Capture().UserCamera()->FramesDropped(), dropped);
        // A new graph after the loss has no node (no daemon to make one
        // with) and says nothing.
        Choose("Fake Camera Bright");
        EXPECT_TRUE(FramesFlow());
        EXPECT_EQ(m_window->Capture().UserCamera(), nullptr);
        m_window.reset();
    }
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
}

}  // namespace
}  // namespace quabrel
