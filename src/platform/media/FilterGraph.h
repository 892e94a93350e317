#pragma once

#include "platform/HResult.h"
#include "platform/media/CaptureFormats.h"
#include "platform/media/GstPtr.h"

#include <QPointer>

#include <deque>
#include <functional>
#include <mutex>
#include <string>

class QObject;

namespace quabrel {

// Graph events, as the window takes them one by one.
inline constexpr long EC_COMPLETE = 1;
inline constexpr long EC_ERRORABORT = 3;

struct FrameSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const FrameSize&) const = default;
};

// What a capture format says: frame size and frame time (100 ns units,
// 0 = the device's own).
struct VideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    int64_t avgTimePerFrame = 0;
    bool operator==(const VideoFormat&) const = default;
};

// Where the graph's frames go to be seen. Both run on the streaming thread.
class FrameTarget {
public:
    // Each adjusted frame, 32-bit BGRx, at the size last asked for; the
    // target may keep it by taking a reference.
    virtual void Present(GstSample* sample) = 0;
    // The size the frames are wanted at (0 x 0: the capture size): the
    // graph scales them to it, so the target only copies them to screen.
    virtual FrameSize ShownSize() const = 0;

protected:
    ~FrameTarget() = default;
};

// Makes the element that plays sound, new as an element factory makes it:
// the desktop's default output unless replaced (tests, which have no sound
// card, put a silent one there).
using AudioOutputFactory = std::function<GstElement*()>;
// Installs `factory` (an empty one restores the default) and returns the
// previous one.
AudioOutputFactory SetAudioOutputFactory(AudioOutputFactory factory);

// The one media graph: a source, the sample grabber (32-bit BGRx, a
// callback per frame on the streaming thread, buffer edited in place) and a
// renderer that scales each frame for the screen, still on the
// streaming thread, and hands it to a FrameTarget. Operations answer in the
// engine's result vocabulary.
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
    // that, the format is kept and matched when the source opens. A size the
    // camera sends only as JPEG pictures is decoded; raw wins where it has
    // both.
    HRESULT GetFormat(VideoFormat* format) const;
    HRESULT SetFormat(const VideoFormat& format);
    // The grabber: asks for 32-bit BGRx video and enters the graph.
    HRESULT SetGrabberMediaType();
    HRESULT AddGrabber();
    // Connects source → grabber → renderer: the camera's video stream.
    HRESULT RenderStream();
    // The grabber's connected frame size.
    HRESULT GetConnectedMediaType(int32_t* width, int32_t* height) const;
    // Streaming thread: called for every frame once set (null removes it;
    // returns after any frame in progress has finished).
    void SetCallback(FrameCallback callback);

    // Running.
    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    HRESULT SetPositionToStart();

    // Files: opens the file at `path` through the decoders, its video
    // through the grabber to the renderer and its sound to the audio
    // output, and waits until its first frame is cued. E_FAIL when it
    // cannot be played (missing, unreadable, no format known, or not open
    // within kOpenTimeout); the graph is then stopped.
    static constexpr GstClockTime kOpenTimeout = 10 * GST_SECOND;
    HRESULT RenderFile(const std::string& path);
    bool IsFile() const { return m_file; }

    // Sound: connects the source (a microphone) through a volume control to
    // the audio output. The graph then has no video.
    HRESULT RenderAudio();
    // Volume in hundredths of a decibel: 0 full, -10000 silence.
    // E_NOINTERFACE when the graph carries no sound.
    HRESULT SetVolume(long volume);
    bool HasAudio() const { return static_cast<bool>(m_volume); }

    // Rendering: whether the graph has a renderer, and where it shows the
    // frames (null: nowhere; returns after any frame in hand was given).
    bool HasRenderer() const { return m_rendered; }
    void SetFrameTarget(FrameTarget* target);

    // Events: posted to `window` as a QEvent of type `eventType` on the
    // interface thread when one waits; GetEvent takes them one at a time
    // and fails when none is left.
    HRESULT SetNotifyWindow(QObject* window, int eventType);
    // An error's event carries what went wrong in GStreamer's own words in
    // `text` (empty for other events); every error and warning of the graph
    // is also logged in the "quabrel" debug category (GST_DEBUG=quabrel:4).
    HRESULT GetEvent(long* code, long* param1, long* param2, std::string* text = nullptr);

    GstElement* Pipeline() const { return m_pipeline.get(); }
    GstElement* Source() const { return m_source.get(); }

private:
    static GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    static GstFlowReturn OnSample(GstElement* sink, gpointer self);
    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void ApplySourceCaps();
    // Streaming thread: asks the renderer for frames of `size` when that
    // changed; the frames in flight keep the size they have.
    void FollowShownSize(FrameSize size);
    // The offered format nearest to `wanted`; false when the camera has no
    // such frame time (or no raw video at all).
    bool Match(const VideoFormat& wanted, VideoFormat* format, Fraction* rate, Encoding* encoding = nullptr) const;
    // The camera sends JPEG pictures: a decoder joins the graph.
    bool AddJpegDecoder();

    GstPtr<GstElement> m_pipeline;
    GstPtr<GstElement> m_source;
    GstPtr<GstElement> m_sourceCaps;
    GstPtr<GstElement> m_decoder;  // only for a camera sending JPEG
    GstPtr<GstElement> m_convert;
    GstPtr<GstElement> m_grabberCaps;
    GstPtr<GstElement> m_renderConvert;
    GstPtr<GstElement> m_renderCaps;
    GstPtr<GstElement> m_renderer;
    GstPtr<GstElement> m_volume;
    bool m_grabberTypeSet = false;
    bool m_grabberAdded = false;
    bool m_rendered = false;
    bool m_file = false;
    VideoFormat m_format{320, 240, 0};  // as set on the source
    Fraction m_rate;                     // the camera's own fraction behind it
    Encoding m_encoding = Encoding::kRaw;  // how the camera sends it
    GstPtr<GstCaps> m_offered;           // what the open source offers

    // --- shared with the streaming thread, each under its mutex: held there
    // for one frame's callback or hand-over, here only to swap the pointer
    std::mutex m_callbackMutex;
    FrameCallback m_callback;
    std::mutex m_targetMutex;
    FrameTarget* m_target = nullptr;
    FrameSize m_renderSize;  // as last asked of the renderer (streaming thread)

    // --- shared with the thread that posts bus messages
    std::mutex m_eventMutex;
    struct Event {
        long code;
        std::string text;
    };
    std::deque<Event> m_events;
    QPointer<QObject> m_notifyWindow;
    int m_notifyEvent = 0;
};

}  // namespace quabrel
