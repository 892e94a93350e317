// Selecting a fake camera runs a real media graph: frames come from a test
// pattern through the grabber and the colour tables to the picture area and
// the companion device.
#include "controls/BitComboBox.h"
#include "controls/MyListBox.h"
#include "controls/MySliderControl.h"
#include "controls/SkinButton.h"
#include "controls/VideoWindow.h"
#include "mainwindow/DialogTemplate.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/MessageBox.h"
#include "platform/media/GstPtr.h"
#include "support/FakeDevices.h"
#include "support/AudioOutput.h"
#include "support/FakeV4l2.h"
#include "support/LiveWindow.h"
#include "support/WidgetTestUtil.h"

#include <QDir>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>

#include <gst/gst.h>
#include <gtest/gtest.h>

namespace quabrel {
namespace {

using testing::AsCompanionFrame;
using testing::FakeV4l2;
using testing::GrabbedFrames;
using testing::MessageRecorder;
using testing::CountingAudioOutput;
using testing::WaitUntil;

constexpr std::size_t kFrameBytes = 320 * 240 * 2;    // YUYV, as the companion gets it
constexpr std::size_t kGrabbedBytes = 320 * 240 * 4;  // BGRx, as the grabber holds it

// Share of pixels of two images of one size where a channel differs by more
// than `tolerance`.
double DifferingShare(const QImage& a, const QImage& b, int tolerance) {
    if (a.size() != b.size() || a.isNull()) return 1.0;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance)
                ++differing;
        }
    return static_cast<double>(differing) / (a.width() * a.height());
}

class LivePreview : public testing::LiveWindowTest {
protected:
    void SetUp() override { ShowWindow(); }

    // Waits for `count` more frames at the companion, and returns the last.
    std::vector<uint8_t> NextFrame(std::size_t count = 3) {
        const std::size_t start = CompanionFrames();
        EXPECT_TRUE(WaitUntil([&] { return CompanionFrames() >= start + count; })) << "frames stopped arriving";
        return m_v4l2.Snapshot("/fake/quabrel").lastFrame;
    }
};

TEST_F(LivePreview, AdjustedFramesReachThePictureAndTheCompanionAfterOneHeader) {
    MessageRecorder messages;
    Choose("Fake Camera Plain");
    ASSERT_TRUE(m_window->DeviceActive());
    const GrabbedFrames grabbed(*m_window->Graph());
    NextFrame();
    const std::vector<uint8_t> plain = grabbed.Last();
    ASSERT_EQ(plain.size(), kGrabbedBytes);
    // The fake camera's picture is still: each frame is the last one again.
    EXPECT_EQ(NextFrame(), AsCompanionFrame(plain, 320, 240, 320, 240)) << "the companion's frame is the grabber's";

    const auto companion = m_v4l2.Snapshot("/fake/quabrel");
    ASSERT_EQ(companion.formats.size(), 1u) << "one header for the connection";
    const v4l2_pix_format& header = companion.formats[0].fmt.pix;
    EXPECT_EQ(companion.formats[0].type, V4L2_BUF_TYPE_VIDEO_OUTPUT);
    EXPECT_EQ(header.width, 320u);
    EXPECT_EQ(header.height, 240u);
    EXPECT_EQ(header.pixelformat, static_cast<uint32_t>(V4L2_PIX_FMT_YUYV));
    EXPECT_EQ(header.sizeimage, kFrameBytes);
    for (std::size_t size : companion.frameSizes) ASSERT_EQ(size, kFrameBytes);

    // Red up by 50: every frame now is the plain one through the same tables.
    Release(1020, 50);
    NextFrame();  // let frames made before the change pass
    const std::vector<uint8_t> reddened = NextFrame();
    CColorProcessor expected;
    expected.SetAdjustments(50, 0, 0, 0, 100, -100, 0, false, 0, 100, -100, 0, false, 50, 100, 0);
    CColorProcessor::Stages stages;
    stages.applyRed = true;
    expected.SetStages(stages);
    expected.Publish();
    std::vector<uint8_t> want = plain;
    expected.ProcessFrame(want.data(), 320 * 240, want.size(), PixelLayout::kBgrx);
    ASSERT_NE(want, plain) << "the pattern must have some red to shift";
    EXPECT_TRUE(reddened == AsCompanionFrame(want, 320, 240, 320, 240)) << "frames are the camera's through the tables";

    // The picture area shows the adjusted frame, not the camera's, scaled
    // to the area on the way: all but the bars' edges match the adjusted
    // frame scaled here.
    VideoWindow* video = m_window->Video();
    EXPECT_TRUE(video->isVisible());
    EXPECT_EQ(video->geometry(), m_window->VideoRect());
    ASSERT_NE(video->size(), QSize(320, 240)) << "the area must differ from the capture size for this check";
    ASSERT_TRUE(WaitUntil([&] { return video->CurrentFrame().size() == video->size(); }))
        << "the frames never came at the picture area's size";
    const QImage wantImage = QImage(want.data(), 320, 240, 320 * 4, QImage::Format_RGB32).copy();
    const QImage expectedScaled = wantImage.scaled(video->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(DifferingShare(video->CurrentFrame(), expectedScaled, 24), 0.06);

    // The window is translucent where its skin is cut away; the picture is
    // opaque whatever the frames' padding byte holds.
    const QImage painted = m_window->grab(video->geometry()).toImage();
    ASSERT_TRUE(painted.hasAlphaChannel()) << "the window must be translucent for this check";
    int seeThrough = 0;
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x) seeThrough += qAlpha(painted.pixel(x, y)) != 255;
    EXPECT_EQ(seeThrough, 0);

    // At the capture size the picture is the grabber's frame, byte for byte.
    video->resize(320, 240);
    ASSERT_TRUE(WaitUntil([&] { return video->CurrentFrame().size() == QSize(320, 240); }));
    ASSERT_TRUE(WaitUntil([&] { return video->FramesShown() > 0 && video->CurrentFrame() == wantImage; }))
        << "the painted frame is not the one the companion gets";
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
}

TEST_F(LivePreview, EverySelectionSendsANewHeaderAndResetsTheSettings) {
    Choose("Fake Camera Plain");
    NextFrame();
    Release(1022, -30);
    ASSERT_EQ(m_window->BlueShift(), -30);
    Choose("Fake Camera Plain");  // the same camera again: a new build
    NextFrame();
    EXPECT_EQ(m_v4l2.Snapshot("/fake/quabrel").formats.size(), 2u);
    EXPECT_EQ(m_window->BlueShift(), 0);
    EXPECT_EQ(m_window->Item<CMySliderControl>(1022)->value(), 0);
}

TEST_F(LivePreview, CameraControlsTakeOverWhereTheCameraHasThem) {
    Choose("Fake Camera Full");
    ASSERT_TRUE(m_window->HasVideoProcAmp());
    EXPECT_TRUE(m_window->Brightness().deviceHandled);
    EXPECT_EQ(m_window->Item<CMySliderControl>(1017)->maximum(), 255);
    EXPECT_EQ(m_window->Brightness().value, 128) << "the build resets to the camera's default";
    EXPECT_EQ(m_window->Item<CMySliderControl>(1019)->maximum(), 200);

    Release(1017, 200);
    auto sets = m_v4l2.Snapshot("/fake/full").sets;
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets.back(), std::make_pair(uint32_t{V4L2_CID_BRIGHTNESS}, int32_t{200}));
    EXPECT_FALSE(m_window->ColorProcessor().GetStages().applyBrightness) << "the camera does it, not the tables";

    Choose("Fake Camera Bright");
    EXPECT_TRUE(m_window->Brightness().deviceHandled);
    EXPECT_EQ(m_window->Item<CMySliderControl>(1017)->minimum(), -64);
    EXPECT_FALSE(m_window->Contrast().deviceHandled);
    EXPECT_EQ(m_window->Item<CMySliderControl>(1018)->minimum(), -100);
    Release(1018, 40);
    EXPECT_TRUE(m_window->ColorProcessor().GetStages().applyContrast) << "software contrast";
    Release(1017, 20);
    EXPECT_EQ(m_v4l2.Snapshot("/fake/bright").sets.back(), std::make_pair(uint32_t{V4L2_CID_BRIGHTNESS}, int32_t{20}));

    // A node without controls: every property falls back to software.
    Choose("Fake Camera Plain");
    EXPECT_TRUE(m_window->HasVideoProcAmp());
    for (const VideoProcSetting* s : {&m_window->Brightness(), &m_window->Contrast(), &m_window->Saturation()})
        EXPECT_FALSE(s->deviceHandled);
    EXPECT_EQ(m_window->Item<CMySliderControl>(1019)->maximum(), 100);
    EXPECT_EQ(m_window->Saturation().value, 50);
}

TEST_F(LivePreview, SoftwareSettingsResetToTheirOwnRangeAndReleasesStillReachTheCamera) {
    Choose("Fake Camera Plain");  // a node, but no picture controls
    auto* brightness = m_window->Item<CMySliderControl>(1017);
    brightness->setRange(0, 10);
    m_window->Item<CxSkinButton>(1028)->click();
    EXPECT_EQ(std::make_tuple(brightness->minimum(), brightness->maximum(), brightness->value()), std::make_tuple(-100, 100, 0));

    Release(1017, 30);
    EXPECT_EQ(m_window->Brightness().value, 30);
    EXPECT_TRUE(m_window->ColorProcessor().GetStages().applyBrightness) << "software brightness";
    EXPECT_TRUE(m_v4l2.Snapshot("/fake/plain").sets.empty()) << "the camera refused it; nothing changed there";

    // A keyboard move changes the position only.
    brightness->setValue(-40);
    EXPECT_EQ(m_window->Brightness().value, 30);
}

TEST_F(LivePreview, ACameraGoneSinceListingEndsInAnOrderlyStop) {
    MessageRecorder messages;
    auto devices = testing::StandardFakeDevices();
    devices.erase(std::remove_if(devices.begin(), devices.end(), [](const auto& d) { return d.displayName == "Fake Camera Plain"; }),
                  devices.end());
    testing::OfferFakeDevices(devices);
    Choose("Fake Camera Plain");  // still listed
    testing::OfferFakeDevices(testing::StandardFakeDevices());
    EXPECT_EQ(messages.Texts(), QStringList{"This driver is not supported now."});
    EXPECT_FALSE(m_window->GraphBuilt());
    EXPECT_TRUE(m_window->ShowsPlaceholder());
}

TEST_F(LivePreview, AnMjpegOnlyCameraIsDecodedAdjustedAndGetsOverABrokenPicture) {
    // A camera that sends 640 x 480 only, and only as JPEG pictures, the
    // tenth of them broken.
    testing::FakeDevice mjpeg{"Fake Camera MJPEG", "", "/fake/mjpeg", testing::FakeDevice::kCamera, 19};
    mjpeg.sizes = {{640, 480}};
    mjpeg.jpeg = true;
    mjpeg.brokenFrame = 10;
    std::vector<testing::FakeDevice> devices = testing::StandardFakeDevices();
    devices.push_back(mjpeg);
    testing::SetFakeDevices(devices);
    struct Restore {
        ~Restore() { testing::SetFakeDevices(testing::StandardFakeDevices()); }
    } restore;
    m_window.reset();
    ShowWindow();  // lists the cameras anew

    MessageRecorder messages;
    Choose("Fake Camera MJPEG");
    ASSERT_TRUE(m_window->DeviceActive()) << messages.Texts().join("|").toStdString();
    const auto decoder = GstPtr<GstElement>::Adopt(gst_bin_get_by_name(GST_BIN(m_window->Graph()->Pipeline()), "camera-decode"));
    EXPECT_TRUE(decoder) << "no decoder in the graph";
    NextFrame(20);  // well past the broken picture
    EXPECT_EQ(m_window->Capture().FrameCallback().Width(), 640);
    const GrabbedFrames grabbed(*m_window->Graph());
    NextFrame();
    // The bars through a JPEG round trip: the first, white, stays near white;
    // and the sliders work on it.
    const std::vector<uint8_t> frame = grabbed.Last();
    ASSERT_EQ(frame.size(), 640u * 480 * 4);
    const uint8_t* white = &frame[(240 * 640 + 20) * 4];
    EXPECT_GT(white[0] + white[1] + white[2], 3 * 220) << "not the camera's picture";
    Release(1022, -60);  // blue down
    NextFrame(3);
    NextFrame(3);
    EXPECT_LT(grabbed.Last()[(240 * 640 + 20) * 4], white[0]) << "the slider did not reach the frames";
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
}

TEST_F(LivePreview, ABusyCameraSaysSoAndLeavesNoGraph) {
    MessageRecorder messages;
    Choose("Fake Camera Busy");
    EXPECT_EQ(messages.Texts(), QStringList{"The capture device is already in use!"});
    EXPECT_FALSE(m_window->GraphBuilt());
    EXPECT_EQ(m_window->Graph(), nullptr);
    auto* list = m_window->Item<CMyListBox>(1001);
    EXPECT_GT(list->count(), 0) << "listed again";
    EXPECT_EQ(list->currentItem() != nullptr && list->currentItem()->isSelected(), false) << "without a selection";
    for (int id : {1002, 1003, 1004}) EXPECT_FALSE(m_window->GetDlgItem(id)->isEnabled()) << id;
    EXPECT_TRUE(m_window->ShowsPlaceholder());
}

// The rate the camera negotiated, in frames per second (0 before it has).
double NegotiatedRate(FilterGraph& graph) {
    const auto caps = GstPtr<GstCaps>::Adopt(gst_pad_get_current_caps(StaticPad(graph.Source(), "src").get()));
    gint num = 0, den = 1;
    if (!caps || !gst_structure_get_fraction(gst_caps_get_structure(caps.get(), 0), "framerate", &num, &den)) return 0;
    return static_cast<double>(num) / den;
}

TEST_F(LivePreview, EveryFrameRateEntryRunsOnEveryCameraOrIsRefusedAndTheStreamGoesOn) {
    // The box's rates, entry by entry; each fake camera offers a fixed list.
    const int entryRate[] = {30, 5, 10, 15, 20, 25};
    for (const testing::FakeDevice& camera : testing::StandardFakeDevices()) {
        if (camera.kind != testing::FakeDevice::kCamera || camera.displayName == "Quabrel") continue;
        SCOPED_TRACE(camera.displayName);
        Choose(camera.displayName.c_str());
        ASSERT_TRUE(m_window->DeviceActive());
        NextFrame(2);
        auto* box = m_window->Item<CBitComboBox>(1016);
        double running = NegotiatedRate(*m_window->Graph());
        for (int entry : {3, 0, 1, 2, 4, 5, 0}) {
            SCOPED_TRACE(entry);
            MessageRecorder messages;
            box->setCurrentIndex(entry);
            Q_EMIT box->activated(entry);
            const bool offered = std::count(camera.rates.begin(), camera.rates.end(), entryRate[entry]) > 0;
            EXPECT_EQ(messages.Texts(), offered ? QStringList{} : QStringList{"Cannot set new frame rate"});
            NextFrame(2);  // the picture never freezes
            if (offered) running = entryRate[entry];
            EXPECT_EQ(NegotiatedRate(*m_window->Graph()), running) << "refused: the rate it had";
            VideoFormat format;
            ASSERT_EQ(m_window->Graph()->GetFormat(&format), S_OK);
            if (offered) {
                EXPECT_EQ(format.avgTimePerFrame, FrameTimeOfEntry(entry));
            }
        }
        EXPECT_EQ(m_v4l2.Snapshot("/fake/quabrel").formats.size(), 1u) << "a rate change sends no new header";
        m_v4l2.ClearRecords();
    }
    EXPECT_EQ(FrameTimeOfEntry(0), 333333);
    EXPECT_EQ(FrameTimeOfEntry(3), 666666);
}

TEST_F(LivePreview, ACameraWithoutTheUsualSizeRunsAtOneItHasAndEverythingFollowsIt) {
    MessageRecorder messages;
    Choose("Fake Camera VGA");  // 640x480 only
    ASSERT_TRUE(m_window->DeviceActive());
    const std::vector<uint8_t> frame = NextFrame();
    constexpr std::size_t kVgaBytes = 640 * 480 * 2;
    EXPECT_EQ(frame.size(), kVgaBytes);
    const auto companion = m_v4l2.Snapshot("/fake/quabrel");
    ASSERT_EQ(companion.formats.size(), 1u);
    EXPECT_EQ(companion.formats[0].fmt.pix.width, 640u);
    EXPECT_EQ(companion.formats[0].fmt.pix.height, 480u);
    EXPECT_EQ(companion.formats[0].fmt.pix.bytesperline, 640u * 2);
    EXPECT_EQ(companion.formats[0].fmt.pix.sizeimage, kVgaBytes);
    EXPECT_EQ(m_window->Capture().FrameCallback().Width(), 640);
    EXPECT_EQ(m_window->Capture().FrameCallback().Height(), 480);
    VideoWindow* video = m_window->Video();
    ASSERT_TRUE(WaitUntil([&] { return video->FramesShown() > 0; }));
    EXPECT_EQ(video->geometry(), m_window->VideoRect()) << "shown in the same picture area";
    EXPECT_TRUE(WaitUntil([&] { return video->CurrentFrame().size() == video->size(); }))
        << "scaled to the area like any other camera";

    // Its rates work at its own size too.
    auto* box = m_window->Item<CBitComboBox>(1016);
    box->setCurrentIndex(3);
    Q_EMIT box->activated(3);
    NextFrame();
    EXPECT_EQ(NegotiatedRate(*m_window->Graph()), 15.0);
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
}

// Counts the elements of graphs that are still alive, through weak
// references that GObject drops as each one is finalised (on whichever
// thread lets go of it last).
class ElementCensus {
public:
    ~ElementCensus() {
        std::lock_guard lock(m_mutex);
        for (GObject* object : m_alive) g_object_weak_unref(object, &ElementCensus::Gone, this);
    }
    void Watch(GstElement* pipeline) {
        std::lock_guard lock(m_mutex);
        GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            auto* object = G_OBJECT(g_value_get_object(&item));
            if (m_alive.insert(object).second) g_object_weak_ref(object, &ElementCensus::Gone, this);
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
        if (m_alive.insert(G_OBJECT(pipeline)).second) g_object_weak_ref(G_OBJECT(pipeline), &ElementCensus::Gone, this);
    }
    std::size_t Alive() const {
        std::lock_guard lock(m_mutex);
        return m_alive.size();
    }

private:
    static void Gone(gpointer self, GObject* object) {
        auto* census = static_cast<ElementCensus*>(self);
        std::lock_guard lock(census->m_mutex);
        census->m_alive.erase(object);
    }
    mutable std::mutex m_mutex;
    std::set<GObject*> m_alive;
};

// Open descriptors other than wake-up event counters: the toolkit's helper
// threads (which scale pictures for painting) each hold one, and come and go
// on their own schedule. A graph's bus holds a socket pair.
std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System))
        if (!fd.symLinkTarget().endsWith(QStringLiteral("anon_inode:[eventfd]"))) ++count;
    return count;
}

TEST_F(LivePreview, SwitchingCamerasFiftyTimesLeavesNoElementAndNoDescriptorBehind) {
    Choose("Fake Camera Plain");
    NextFrame(1);
    m_window->TeardownGraph();
    const std::size_t descriptors = OpenDescriptors();
    ElementCensus census;
    const char* cameras[] = {"Fake Camera Full", "Fake Camera Plain", "Fake Camera VGA", "Fake Camera Busy"};
    for (int i = 0; i < 50; ++i) {
        MessageRecorder messages;  // the busy one says so, every time
        Choose(cameras[i % 4]);
        if (FilterGraph* graph = m_window->Graph()) census.Watch(graph->Pipeline());
    }
    ASSERT_GT(census.Alive(), 0u) << "the census sees the graphs";
    m_window->TeardownGraph();
    // A streaming thread may still be letting go of the last graph's
    // objects a moment after the stop returned (a slow sanitizer run).
    EXPECT_TRUE(WaitUntil([&] { return census.Alive() == 0; }))
        << census.Alive() << " elements of earlier graphs still alive";
    EXPECT_LE(OpenDescriptors(), descriptors);
}

// Records what the graphs log in the program's own debug category.
class DebugLog {
public:
    DebugLog() {
        gst_debug_remove_log_function(gst_debug_log_default);  // this log only, not the terminal
        gst_debug_set_threshold_for_name("quabrel", GST_LEVEL_INFO);
        gst_debug_add_log_function(&DebugLog::Log, this, nullptr);
    }
    ~DebugLog() {
        gst_debug_remove_log_function_by_data(this);
        gst_debug_set_threshold_for_name("quabrel", GST_LEVEL_NONE);
        gst_debug_add_log_function(gst_debug_log_default, nullptr, nullptr);
    }
    std::string Text() const {
        std::lock_guard lock(m_mutex);
        return m_text;
    }

private:
    static void Log(GstDebugCategory* category, GstDebugLevel, const gchar*, const gchar*, gint, GObject*,
                    GstDebugMessage* message, gpointer self) {
        if (std::string(gst_debug_category_get_name(category)) != "quabrel") return;
        auto* log = static_cast<DebugLog*>(self);
        std::lock_guard lock(log->m_mutex);
        log->m_text += gst_debug_message_get(message);
        log->m_text += '\n';
    }
    mutable std::mutex m_mutex;
    std::string m_text;
};

TEST_F(LivePreview, ACameraFailingMidStreamSaysWhyOnceAndShowsThePlaceholder) {
    MessageRecorder messages;
    const DebugLog log;
    auto devices = testing::StandardFakeDevices();
    testing::FakeDevice flaky{"Fake Camera Flaky", "", "/fake/plain", testing::FakeDevice::kCamera, 19};
    flaky.failAfterFrames = 5;  // then a read error, as a camera pulled out gives
    devices.push_back(flaky);
    testing::OfferFakeDevices(devices);
    m_window->InitAudioEnumerator(DeviceCategory::kVideoInput, 1001);
    const int before = m_window->GraphEventsTaken();
    Choose("Fake Camera Flaky");
    testing::OfferFakeDevices(testing::StandardFakeDevices());
    ASSERT_TRUE(m_window->DeviceActive());
    // The window takes the event on its own thread and drains the queue.
    EXPECT_TRUE(WaitUntil([&] { return m_window->GraphEventsTaken() > before; }));
    long code = 0;
    EXPECT_TRUE(FAILED(m_window->Graph()->GetEvent(&code, nullptr, nullptr))) << "none left";
    EXPECT_TRUE(m_window->GraphBuilt()) << "the graph stays until the user picks again";
    // In GStreamer's words, once, and the picture area no longer pretends.
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("The capture device stopped: Device went away")});
    EXPECT_FALSE(m_window->Video()->isVisible());
    EXPECT_TRUE(m_window->ShowsPlaceholder());
    EXPECT_NE(log.Text().find("Device went away"), std::string::npos) << "not in the debug log: " << log.Text();
    messages.Clear();
    m_window->InitAudioEnumerator(DeviceCategory::kVideoInput, 1001);
    Choose("Fake Camera Full");  // and the next choice works
    EXPECT_TRUE(m_window->DeviceActive());
    NextFrame();
    EXPECT_TRUE(m_window->Video()->isVisible());
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
}

// Counts the paints of every widget of a window but one, and the area the
// window itself repaints.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget& window, QWidget* spared) : m_spared(spared) {
        window.installEventFilter(this);
        for (QWidget* child : window.findChildren<QWidget*>()) child->installEventFilter(this);
    }
    int others = 0;
    QRegion windowArea;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched != m_spared) {
            ++others;
            if (!watched->parent()) windowArea += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }

private:
    QWidget* m_spared;
};

TEST_F(LivePreview, StreamingRepaintsThePictureAloneAtMostOncePerFrame) {
    Choose("Fake Camera Plain");
    NextFrame();
    VideoWindow* video = m_window->Video();
    ASSERT_TRUE(WaitUntil([&] { return video->CurrentFrame().size() == video->size(); }));
    NextFrame(20);
    PaintCounter paints(*m_window, video);
    const uint64_t presented = video->FramesPresented(), shown = video->FramesShown();
    NextFrame(30);
    QApplication::processEvents();
    EXPECT_GT(video->FramesShown(), shown) << "the picture went on";
    EXPECT_LE(video->FramesShown() - shown, video->FramesPresented() - presented + 1);
    // Nothing else repaints with the frames (30 frames would make 30 paints);
    // a one-off repaint of the list after the click may come late on a
    // slow machine, and never reaches the picture's part of the window.
    EXPECT_LT(paints.others, 10) << "repainted besides the picture, " << paints.windowArea.boundingRect().width()
                                 << "x" << paints.windowArea.boundingRect().height() << " of the window";
    EXPECT_FALSE(paints.windowArea.intersects(m_window->VideoRect())) << "the window repainted under the picture";
}

// ---------------------------------------------------------------- microphones

GstState StateOf(FilterGraph& graph) {
    GstState state = GST_STATE_VOID_PENDING;
    gst_element_get_state(graph.Pipeline(), &state, nullptr, 10 * GST_SECOND);
    return state;
}

double VolumeOf(FilterGraph& graph) {
    const auto volume = GstPtr<GstElement>::Adopt(gst_bin_get_by_name(GST_BIN(graph.Pipeline()), "volume"));
    double value = -1;
    if (volume) g_object_get(volume.get(), "volume", &value, nullptr);
    return value;
}

QStringList CheckedEntries(const QMenu& menu) {
    QStringList names;
    for (const QAction* action : menu.actions())
        if (action->isChecked()) names << action->text();
    return names;
}

TEST_F(LivePreview, AMicrophoneReplacesTheCameraSilentlyUntilPlayAndTheButtonsDriveIt) {
    CountingAudioOutput output;
    MessageRecorder messages;
    Choose("Fake Camera Plain");
    NextFrame();
    const QList<QAction*> microphones = m_window->AudioMenu()->actions();
    ASSERT_EQ(microphones.size(), 1);
    ASSERT_EQ(microphones[0]->text(), "Fake Microphone");

    ElementCensus camera;
    camera.Watch(m_window->Graph()->Pipeline());
    microphones[0]->trigger();
    EXPECT_EQ(m_window->AudioDevice(), "Fake Microphone");
    EXPECT_EQ(m_window->Item<CMyListBox>(1001)->currentRow(), -1) << "the camera list lets go";
    EXPECT_TRUE(m_window->ShowsPlaceholder());
    EXPECT_FALSE(m_window->Video()->isVisible());
    EXPECT_TRUE(m_window->DeviceActive());
    EXPECT_TRUE(m_window->Item<CxSkinButton>(1002)->isEnabled());
    EXPECT_EQ(CheckedEntries(*m_window->AudioMenu()), QStringList({"Fake Microphone"}));
    ASSERT_TRUE(m_window->Graph()->HasAudio());
    // Settled short of playing, a live source sends nothing; the camera's
    // graph, every element of it, is gone, so no frame of it can follow.
    EXPECT_NE(StateOf(*m_window->Graph()), GST_STATE_PLAYING) << "built stopped";
    EXPECT_EQ(output.Buffers(), 0) << "silent until FilePlay";
    EXPECT_TRUE(WaitUntil([&] { return camera.Alive() == 0; })) << "the camera's graph stays";

    m_window->Item<CxSkinButton>(1002)->click();  // FilePlay
    ASSERT_TRUE(WaitUntil([&] { return output.Buffers() > 3; })) << "the microphone plays";
    EXPECT_EQ(VolumeOf(*m_window->Graph()), 1.0);
    m_window->Item<CxSkinButton>(1030)->click();  // Sound off
    EXPECT_EQ(VolumeOf(*m_window->Graph()), 0.0);

    m_window->Item<CxSkinButton>(1003)->click();  // FilePause
    EXPECT_EQ(m_window->HiddenText(), "in OnBnClickedPausefile else");
    EXPECT_EQ(StateOf(*m_window->Graph()), GST_STATE_PAUSED);
    m_window->Item<CxSkinButton>(1003)->click();
    EXPECT_EQ(m_window->HiddenText(), "in OnBnClickedPausefile if");
    EXPECT_EQ(StateOf(*m_window->Graph()), GST_STATE_PLAYING);

    m_window->Item<CxSkinButton>(1004)->click();  // FileStop: the graph stays, the check goes
    EXPECT_TRUE(m_window->GraphBuilt());
    EXPECT_TRUE(CheckedEntries(*m_window->AudioMenu()).isEmpty());
    EXPECT_EQ(StateOf(*m_window->Graph()), GST_STATE_NULL) << "no streaming thread left to play a buffer";

    // Muted before the build: the new graph starts as silent as the button shows.
    microphones[0]->trigger();
    EXPECT_FALSE(m_window->SoundOn());
    EXPECT_EQ(VolumeOf(*m_window->Graph()), 0.0);
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
}

TEST_F(LivePreview, FileStopHidesTheLivePictureAndFilePlayBringsItBack) {
    Choose("Fake Camera Plain");
    NextFrame();
    m_window->Item<CxSkinButton>(1004)->click();
    EXPECT_FALSE(m_window->Video()->isVisible());
    EXPECT_TRUE(m_window->ShowsPlaceholder());
    EXPECT_TRUE(m_window->GraphBuilt());
    m_window->Item<CxSkinButton>(1002)->click();
    EXPECT_TRUE(m_window->Video()->isVisible());
    NextFrame();  // frames flow again
}

TEST(Microphones, ASecondChoiceKeepsOneCheckAndAMicrophoneGoneSaysSoTwice) {
    auto devices = testing::StandardFakeDevices();
    devices.push_back({"Fake Microphone Two", "", "/fake/mic2", testing::FakeDevice::kMicrophone, 0});
    testing::SetFakeDevices(devices);
    CountingAudioOutput output;
    MessageRecorder messages;
    CSkinConfig skins;
    {
        FakeV4l2 v4l2;
        CquabrelDlg window(skins, "/nonexistent/", CquabrelDlg::Options{.startBanner = false});
        const QList<QAction*> microphones = window.AudioMenu()->actions();
        ASSERT_EQ(microphones.size(), 2);
        microphones[0]->trigger();
        microphones[1]->trigger();
        EXPECT_EQ(CheckedEntries(*window.AudioMenu()), QStringList({"Fake Microphone Two"}));

        // Unplugged since the listing: found without a device.
        devices.pop_back();
        testing::SetFakeDevices(devices);
        microphones[1]->trigger();
        EXPECT_EQ(messages.Texts(), QStringList({"The Audio Capture Device is not available!",
                                                 "The Audio Capture Device is not available."}));
        EXPECT_TRUE(window.DeviceActive());
        EXPECT_EQ(CheckedEntries(*window.AudioMenu()), QStringList({"Fake Microphone Two"})) << "checked whatever came";
        window.Item<CxSkinButton>(1002)->click();  // runs the graph without a source: no crash, no sound
        EXPECT_EQ(window.Graph()->HasAudio(), false);
    }
    testing::SetFakeDevices(testing::StandardFakeDevices());
}

// ---------------------------------------------------------------- driver settings

TEST_F(LivePreview, TheDriverSettingsAndInputsOfTheSelectedCamera) {
    MessageRecorder messages;
    QStringList dialogs;
    const DialogRunner previous = SetDialogRunner([&](QDialog& dialog) {
        dialogs << dialog.windowTitle() + ":" + dialog.metaObject()->className();
        return 0;
    });
    // Without a selection: the menu has no settings entry, 51 does nothing.
    m_window->Item<CxSkinButton>(1026)->click();
    m_window->AdvancedMenu()->close();
    m_window->OnCommand(CquabrelDlg::kCmdFilterPages);
    EXPECT_TRUE(dialogs.isEmpty());

    Choose("Fake Camera Full");
    NextFrame();
    m_window->Item<CxSkinButton>(1026)->click();
    QStringList entries;
    for (const QAction* a : m_window->AdvancedMenu()->actions()) entries << a->text();
    m_window->AdvancedMenu()->close();
    EXPECT_EQ(entries, QStringList({"Audio Capture Devices", "Skin", "Crossbar...", "Video Capture Filter..."}));
    m_window->Item<CxSkinButton>(1026)->click();  // added once only
    m_window->AdvancedMenu()->close();
    EXPECT_EQ(m_window->AdvancedMenu()->actions().size(), 4);

    m_window->OnCommand(CquabrelDlg::kCmdFilterPages);
    m_window->OnCommand(CquabrelDlg::kCmdDevicePages);
    m_window->OnCommand(CquabrelDlg::kCmdCrossbar);
    EXPECT_EQ(dialogs, QStringList({"Fake Camera Full:quabrel::DeviceSettingsDialog",
                                    "Fake Camera Full:quabrel::DeviceSettingsDialog",
                                    "Fake Camera Full:quabrel::VideoInputDialog"}));
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();

    // One input only: nothing to choose. A camera without controls: 52 says so.
    Choose("Fake Camera Bright");
    m_window->OnCommand(CquabrelDlg::kCmdCrossbar);
    Choose("Fake Camera Plain");
    m_window->OnCommand(CquabrelDlg::kCmdDevicePages);
    // A microphone instead of a camera: no video input to choose.
    m_window->AudioMenu()->actions()[0]->trigger();
    m_window->OnCommand(CquabrelDlg::kCmdCrossbar);
    EXPECT_EQ(messages.Texts(), QStringList({"This feature is not supported by the current selected video resource.",
                                             "The driver has not valid propertypages.", "Select a video resource first."}));
    SetDialogRunner(previous);
}

TEST_F(LivePreview, EndingTheWindowLeavesNoFrameInFlightAndNothingOpen) {
    Choose("Fake Camera Full");
    NextFrame();
    ElementCensus graph;
    graph.Watch(m_window->Graph()->Pipeline());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &escape);
    EXPECT_FALSE(m_window->GraphBuilt());
    // Every element gone, the camera too: nothing is left to send a frame.
    EXPECT_TRUE(WaitUntil([&] { return graph.Alive() == 0; })) << graph.Alive() << " elements still alive";
    m_window.reset();
    EXPECT_EQ(m_v4l2.OpenCount(), 0) << "every device node closed";
}

}  // namespace
}  // namespace quabrel
