// The live path under load: a 320 x 240 test camera at 30 frames per second
// through the grabber, the colour tables (several stages on), the companion
// device and the picture area, for a fixed time.
//
//   build/<cfg>/bench/bench_live [seconds]     (offscreen unless DISPLAY is set)
//
// Prints the process's CPU time as a share of one core, and the time from a
// frame leaving the source to its paint in the picture area (median, 99th
// percentile), plus how many frames were painted and how many replaced
// before being shown. First, what the virtual cameras add to each frame on
// the streaming thread: the conversion into each reader's format (median of
// many frames, and its share of a frame's time at 30 f/s).

#include "controls/MyListBox.h"
#include "controls/MySliderControl.h"
#include "controls/VideoWindow.h"
#include "imaging/FrameConversion.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/media/GstPtr.h"
#include "support/FakeDevices.h"
#include "support/FakeV4l2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gst/gst.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5))];
}

std::mutex g_mutex;
std::map<GstClockTime, qint64> g_leftSource;  // PTS → when it left the source (ns)
QElapsedTimer g_clock;

GstPadProbeReturn OnSourceBuffer(GstPad*, GstPadProbeInfo* info, gpointer) {
    std::lock_guard lock(g_mutex);
    g_leftSource[GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info))] = g_clock.nsecsElapsed();
    return GST_PAD_PROBE_OK;
}

// The streaming thread's extra work per frame for the virtual cameras.
void PrintConversionCosts() {
    struct Case {
        const char* name;
        quabrel::OutputFormat format;
        int sourceWidth, sourceHeight;
    };
    const Case cases[] = {{"BGRA (PipeWire, browsers)", quabrel::OutputFormat::kBgra, 320, 240},
                          {"YUY2 (PipeWire; the companion device)", quabrel::OutputFormat::kYuy2, 320, 240},
                          {"I420 (PipeWire)", quabrel::OutputFormat::kI420, 320, 240},
                          {"YUY2 from 640x480, scaled", quabrel::OutputFormat::kYuy2, 640, 480}};
    std::printf("virtual camera conversion per frame, into 320x240 (median of 300 frames)\n");
    for (const Case& c : cases) {
        std::vector<uint8_t> source(static_cast<std::size_t>(c.sourceWidth) * c.sourceHeight * 4);
        for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7 + i / 640);
        std::vector<uint8_t> target(quabrel::OutputFrameBytes(c.format, 320, 240));
        std::vector<double> times;
        for (int i = 0; i < 300; ++i) {
            QElapsedTimer timer;
            timer.start();
            quabrel::ConvertFrame({source.data(), c.sourceWidth, c.sourceHeight, source.size()},
                                  {target.data(), 320, 240, c.format});
            times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        const double median = Percentile(times, 0.5);
        std::printf("  %-40s %.3f ms, %.2f %% of a frame at 30 f/s\n", c.name, median, 100.0 * median / (1000.0 / 30));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    PrintConversionCosts();
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    quabrel::testing::OfferFakeDevices(quabrel::testing::StandardFakeDevices());
    quabrel::testing::FakeV4l2 v4l2;
    quabrel::CSkinConfig skins;
    quabrel::CquabrelDlg window(skins, "/nonexistent/", {.startBanner = false});
    window.show();

    auto* list = window.Item<quabrel::CMyListBox>(1001);
    const auto camera = list->findItems(QStringLiteral("Fake Camera Plain"), Qt::MatchExactly);
    if (camera.isEmpty()) return 1;
    list->setCurrentItem(camera.first());
    window.OnSelchangeDeviceList();
    if (!window.DeviceActive()) return 1;

    // Work for the tables: brightness, contrast and all three channels.
    for (auto [slider, value] : {std::pair{1017, 30}, {1018, 20}, {1020, 10}, {1021, -10}, {1022, 25}}) {
        auto* s = window.Item<quabrel::CMySliderControl>(slider);
        s->setValue(value);
        Q_EMIT s->releasedCapture();
    }

    g_clock.start();
    std::vector<double> latencies;
    gst_pad_add_probe(quabrel::StaticPad(window.Graph()->Source(), "src").get(), GST_PAD_PROBE_TYPE_BUFFER,
                      OnSourceBuffer, nullptr, nullptr);
    window.Video()->SetShownObserver([&](GstClockTime pts) {
        std::lock_guard lock(g_mutex);
        const auto found = g_leftSource.find(pts);
        if (found == g_leftSource.end()) return;
        latencies.push_back(static_cast<double>(g_clock.nsecsElapsed() - found->second) / 1e6);
        g_leftSource.erase(g_leftSource.begin(), std::next(found));
    });

    // Let the stream settle, then measure.
    // The event loop sleeps between frames, as the program's does.
    auto runFor = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    runFor(1000);
    {
        std::lock_guard lock(g_mutex);
        latencies.clear();
    }
    const auto* video = window.Video();
    const uint64_t shownBefore = video->FramesShown(), presentedBefore = video->FramesPresented();
    const std::size_t companionBefore = v4l2.Snapshot("/fake/quabrel").frameSizes.size();
    const double cpuBefore = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(seconds * 1000);
    const double cpu = CpuSeconds() - cpuBefore, elapsed = static_cast<double>(wall.elapsed()) / 1000;
    const uint64_t shown = video->FramesShown() - shownBefore, presented = video->FramesPresented() - presentedBefore;
    const std::size_t companion = v4l2.Snapshot("/fake/quabrel").frameSizes.size() - companionBefore;

    // The picture is shown on the streaming thread on X11: no frame may
    // wait for the observer's lock while the graph stops.
    window.TeardownGraph();
    std::lock_guard lock(g_mutex);
    std::printf("live 320x240 @ 30 fps for %.1f s (%s)\n", elapsed,
                qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "X display");
    std::printf("  frames: %llu to the picture, %llu painted (%.1f per second), %zu to the companion\n",
                static_cast<unsigned long long>(presented), static_cast<unsigned long long>(shown),
                static_cast<double>(shown) / elapsed, companion);
    std::printf("  CPU: %.1f %% of one core\n", 100.0 * cpu / elapsed);
    std::printf("  source to paint: median %.2f ms, 99th percentile %.2f ms (%zu frames)\n", Percentile(latencies, 0.5),
                Percentile(latencies, 0.99), latencies.size());
    return 0;
}
