// The adjusted frames as a PipeWire camera: a private daemon with its
// session manager, the window on a fake camera, and a consumer reading the
// "Quabrel" node as any program reading cameras from PipeWire would.
#include "controls/MySliderControl.h"
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
// frame kept.
class Consumer {
public:
    Consumer() {
        m_pipeline = GstPtr<GstElement>::Adopt(
            gst_parse_launch("pipewiresrc target-object=Quabrel always-copy=true ! "
                             "video/x-raw,format=BGR ! appsink name=sink sync=false max-buffers=1 drop=true",
                             nullptr));
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

private:
    GstPtr<GstElement> m_pipeline, m_sink;
};

// A program opening the camera now gets a frame. A node just replaced may
// still be on its way out, and a busy session links late: the program tries
// again with a new reader, each closed before anything else happens.
bool AReaderGetsAFrame() {
    return WaitUntil([] { return !Consumer().NextFrame(nullptr, nullptr, 2000).empty(); }, 15000);
}

class UserCamera : public testing::LiveWindowTest {
protected:
    bool FramesFlow(std::size_t count = 5) {
        const std::size_t start = CompanionFrames();
        return WaitUntil([&] { return CompanionFrames() >= start + count; });
    }
};

TEST_F(UserCamera, AConsumerGetsTheAdjustedFramesTheCompanionGetsAndTheNodeGoesAtTeardown) {
    PrivatePipeWire pipewire;
    ASSERT_TRUE(pipewire.Start()) << "the private PipeWire session did not come up";
    MessageRecorder messages;
    ShowWindow();
    Choose("Fake Camera Plain");
    ASSERT_TRUE(m_window->DeviceActive());
    ASSERT_NE(m_window->Capture().UserCamera(), nullptr) << "no node although a session runs";

    ASSERT_TRUE(WaitUntil([] { return !PrivatePipeWire::NodeProperties("Quabrel").isEmpty(); }));
    const QByteArray node = PrivatePipeWire::NodeProperties("Quabrel");
    EXPECT_TRUE(node.contains("\"media.class\": \"Video/Source\"")) << node.toStdString();

    // Red up: the consumer's frames are the companion's, byte for byte.
    auto* red = m_window->Item<CMySliderControl>(1020);
    red->setValue(60);
    Q_EMIT red->releasedCapture();
    {
        // Each reader goes before its node does, as a program closing it.
        Consumer consumer;
        int width = 0, height = 0;
        std::vector<uint8_t> seen;
        std::vector<uint8_t> sent;
        // The fake camera's picture is still: once the change has passed,
        // every frame is the same, wherever it is read.
        ASSERT_TRUE(WaitUntil([&] {
            seen = consumer.NextFrame(&width, &height, 200);
            sent = m_v4l2.Snapshot("/fake/quabrel").lastFrame;
            return !seen.empty() && seen == sent;
        }, 10000)) << "the consumer got " << seen.size() << " bytes, not the companion's " << sent.size();
        EXPECT_EQ(width, 320);
        EXPECT_EQ(height, 240);
        EXPECT_GT(m_window->Capture().UserCamera()->FramesSent(), 0u);
    }

    // A file's frames take the same way, through a node of the file's size.
    const FileChooser previous = SetFileChooser([](QWidget*, const QString&) {
        return QStringLiteral(SHIPPED_SAMPLES "/bouncing-ball.avi");
    });
    m_window->OnCommand(CquabrelDlg::kCmdVideoFile);
    SetFileChooser(previous);
    ASSERT_NE(m_window->Capture().UserCamera(), nullptr) << "the file graph has no node";
    EXPECT_TRUE(AReaderGetsAFrame()) << "no frame of the file reached a reader";

    m_window.reset();
    EXPECT_TRUE(WaitUntil([] { return PrivatePipeWire::NodeProperties("Quabrel").isEmpty(); }))
        << "the node outlived the graph";
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
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
        // A new graph after the loss has no node and says nothing.
        Choose("Fake Camera Bright");
        EXPECT_TRUE(FramesFlow());
        EXPECT_EQ(m_window->Capture().UserCamera(), nullptr);
        m_window.reset();
    }
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
}

}  // namespace
}  // namespace quabrel
