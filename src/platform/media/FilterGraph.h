#pragma once

#include "platform/HResult.h"
#include "platform/media/CaptureFormats.h"
#include "platform/media/GstPtr.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

class QObject;

namespace quabrel {

// Media types the engine asks for when it connects a capture stream.
enum class MediaType { kStream, kInterleaved, kVideo };

// Graph events, as the window takes them one by one.
inline constexpr long EC_COMPLETE = 1;
inline constexpr long EC_ERRORABORT = 3;

// What a capture format says: frame size and frame time (100 ns units,
// 0 = the device's own).
struct VideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    int64_t avgTimePerFrame = 0;
    bool operator==(const VideoFormat&) const = default;
};

class FilterGraph;

// The picture of the graph inside a window: a child widget that shows the
// newest frame. Frames arrive on the streaming thread and replace the one
// waiting, so the screen never runs behind.
class VideoWindow : public QWidget {
    Q_OBJECT

public:
    explicit VideoWindow(QWidget* parent = nullptr);
    ~VideoWindow() override;

    // Streaming thread: the frame to show next (replaces an unshown one).
    void Present(GstSample* sample);
    // How many frames were handed over, and shown.
    uint64_t FramesPresented() const { return m_presented.load(); }
    uint64_t FramesShown() const { return m_shown.load(); }
    // The frame on screen now, as an image (empty before the first).
    QImage CurrentFrame() const;
    // Told, on the interface thread, the timestamp of each frame as it goes
    // on screen: for measuring how far the picture runs behind.
    void SetShownObserver(std::function<void(GstClockTime)> observer) { m_shownObserver = std::move(observer); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Guards the two frames; held only to swap handles, never to paint.
    mutable std::mutex m_mutex;
    GstPtr<GstSample> m_pending;  // written by the streaming thread
    GstPtr<GstSample> m_current;  // the interface thread's, once taken
    std::atomic<bool> m_updateQueued{false};
    std::atomic<uint64_t> m_presented{0};
    std::atomic<uint64_t> m_shown{0};
    std::function<void(GstClockTime)> m_shownObserver;
};

// The one media graph: a source, the sample grabber (24-bit BGR, a
// callback per frame on the streaming thread, buffer edited in place) and a
// renderer into a VideoWindow. Operations answer in the engine's result
// vocabulary.
class FilterGraph {
public:
    using FrameCallback = std::function<void(uint8_t* buffer, int32_t length)>;

    FilterGraph();
    ~FilterGraph();
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;

    // Building.
    HRESULT AddSource(GstElement* source, const char* name);
    // The capture size and frame time of the source. Once the source is
    // open, a format is matched to what the camera offers: the nearest size
    // it has, and the rate of its own within kRateTolerance of the frame
    // time. A frame time it cannot give fails and changes nothing. Before
    // that, the format is kept and matched when the source opens.
    HRESULT GetFormat(VideoFormat* format) const;
    HRESULT SetFormat(const VideoFormat& format);
    // The grabber: asks for 24-bit BGR video and enters the graph.
    HRESULT SetGrabberMediaType();
    HRESULT AddGrabber();
    // Connects source → grabber → renderer for the given stream type.
    HRESULT RenderStream(MediaType type);
    // The grabber's connected frame size.
    HRESULT GetConnectedMediaType(int32_t* width, int32_t* height) const;
    // Streaming thread: called for every frame once set (null removes it;
    // returns after any frame in progress has finished).
    void SetCallback(FrameCallback callback);

    // Running.
    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    HRESULT StopWhenReady();
    HRESULT SetPositionToStart();

    // Video window.
    HRESULT PutMessageDrain(QObject* window);
    HRESULT PutOwner(QWidget* owner);
    HRESULT PutVisible(bool visible);
    HRESULT SetWindowPosition(const QRect& rect);
    VideoWindow* Window() const { return m_window.data(); }

    // Events: posted to `window` as a QEvent of type `eventType` on the
    // interface thread when one waits; GetEvent takes them one at a time
    // and fails when none is left.
    HRESULT SetNotifyWindow(QObject* window, int eventType);
    HRESULT GetEvent(long* code, long* param1, long* param2);

    GstElement* Pipeline() const { return m_pipeline.get(); }
    GstElement* Source() const { return m_source.get(); }

private:
    static GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    static GstFlowReturn OnSample(GstElement* sink, gpointer self);
    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void ApplySourceCaps();
    // The offered format nearest to `wanted`; false when the camera has no
    // such frame time (or no raw video at all).
    bool Match(const VideoFormat& wanted, VideoFormat* format, Fraction* rate) const;

    GstPtr<GstElement> m_pipeline;
    GstPtr<GstElement> m_source;
    GstPtr<GstElement> m_sourceCaps;
    GstPtr<GstElement> m_convert;
    GstPtr<GstElement> m_grabberCaps;
    GstPtr<GstElement> m_renderConvert;
    GstPtr<GstElement> m_renderer;
    bool m_grabberTypeSet = false;
    bool m_grabberAdded = false;
    bool m_rendered = false;
    VideoFormat m_format{320, 240, 0};  // as set on the source
    Fraction m_rate;                     // the camera's own fraction behind it
    GstPtr<GstCaps> m_offered;           // what the open source offers

    std::mutex m_callbackMutex;  // held by the streaming thread per frame
    FrameCallback m_callback;

    QPointer<VideoWindow> m_window;

    std::mutex m_eventMutex;
    std::deque<long> m_events;
    QPointer<QObject> m_notifyWindow;
    int m_notifyEvent = 0;
};

}  // namespace quabrel
