#include "platform/media/FilterGraph.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <QCoreApplication>
#include <QEvent>

#include <cmath>

GST_DEBUG_CATEGORY_STATIC(quabrel_debug);
#define GST_CAT_DEFAULT quabrel_debug

namespace quabrel {

namespace {

// Silent unless asked for: GST_DEBUG=quabrel:4 shows what the graphs said.
void InitDebugCategoryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { GST_DEBUG_CATEGORY_INIT(quabrel_debug, "quabrel", 0, "quabrel's media graphs"); });
}

GstElement* DefaultAudioOutput() { return gst_element_factory_make("autoaudiosink", "audio-output"); }

AudioOutputFactory& AudioOutput() {
    static AudioOutputFactory factory = DefaultAudioOutput;
    return factory;
}

bool g_ownAudioOutput = false;  // a factory other than the default is installed

// Choices the decoders' automatic plugging gets wrong for plain files, made
// once for the process:
// - libav's BMP decoder wants one whole picture per buffer, and nothing in a
//   file's chain cuts a BMP file into pictures: picked first, it finds no
//   frame. The pixbuf decoder, which reads the whole file, takes BMP (GIF
//   has a demuxer of its own that frames it).
// - The AIFF parser starts pushing before the decoder has linked its pad,
//   now and then: the file then fails with "not linked". libav's AIFF
//   demuxer takes AIFF.
void PreferReliableFileElements() {
    static std::once_flag once;
    std::call_once(once, [] {
        SetFeatureRank("avdec_bmp", GST_RANK_NONE);
        SetFeatureRank("gdkpixbufdec", GST_RANK_SECONDARY);
        SetFeatureRank("aiffparse", GST_RANK_NONE);
    });
}

}  // namespace

AudioOutputFactory SetAudioOutputFactory(AudioOutputFactory factory) {
    AudioOutputFactory previous = std::move(AudioOutput());
    g_ownAudioOutput = static_cast<bool>(factory);
    AudioOutput() = factory ? std::move(factory) : AudioOutputFactory(DefaultAudioOutput);
    return previous;
}

// ---------------------------------------------------------------- graph

FilterGraph::FilterGraph() {
    InitDebugCategoryOnce();
    m_pipeline = MakeElement("pipeline", "quabrel-graph");
}

FilterGraph::~FilterGraph() {
    Stop();
    if (m_pipeline) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
        const auto bus = GstPtr<GstBus>::Adopt(gst_element_get_bus(m_pipeline.get()));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    }
}

HRESULT FilterGraph::AddSource(GstElement* source, const char* name) {
    if (source == nullptr || !m_pipeline || m_source) return E_FAIL;
    if (GST_OBJECT_PARENT(source) != nullptr) return E_FAIL;  // already in a graph
    gst_object_set_name(GST_OBJECT(source), name);
    // The bin takes a reference of its own; ours stays ours.
    if (!gst_bin_add(GST_BIN(m_pipeline.get()), source)) return E_FAIL;
    m_source = GstPtr<GstElement>::Ref(source);
    return S_OK;
}

HRESULT FilterGraph::GetFormat(VideoFormat* format) const {
    if (format == nullptr) return E_POINTER;
    if (!m_source) return E_FAIL;
    *format = m_format;
    return S_OK;
}

HRESULT FilterGraph::SetFormat(const VideoFormat& format) {
    if (!m_source || format.width <= 0 || format.height <= 0 || format.avgTimePerFrame < 0) return E_FAIL;
    if (!m_offered) {
        // Not open yet: nothing to match against. RenderStream matches it.
        m_format = format;
        m_rate = {};
        ApplySourceCaps();
        return S_OK;
    }
    VideoFormat matched;
    Fraction rate;
    // Refused before anything changes: the stream keeps the format it has
    // (and its encoding: the source is linked by now).
    if (!Match(format, &matched, &rate)) return E_FAIL;
    m_format = matched;
    m_rate = rate;
    ApplySourceCaps();
    return S_OK;
}

bool FilterGraph::Match(const VideoFormat& wanted, VideoFormat* format, Fraction* rate, Encoding* encoding) const {
    // Once linked, the stream keeps its encoding: its decoder is in place.
    const auto size = NearestOfferedSize(m_offered.get(), wanted.width, wanted.height,
                                         m_rendered ? std::optional(m_encoding) : std::nullopt);
    if (!size) return false;
    *format = {size->width, size->height, 0};
    *rate = {};
    if (encoding != nullptr) *encoding = size->encoding;
    if (wanted.avgTimePerFrame == 0) return true;
    const auto offered = OfferedRate(m_offered.get(), size->width, size->height, wanted.avgTimePerFrame, size->encoding);
    if (!offered) return false;
    *rate = *offered;
    format->avgTimePerFrame = FrameTimeOf(*offered);
    return true;
}

void FilterGraph::ApplySourceCaps() {
    if (!m_sourceCaps) return;
    const char* media = m_encoding == Encoding::kJpeg ? "image/jpeg" : "video/x-raw";
    auto caps = GstPtr<GstCaps>::Adopt(
        gst_caps_new_simple(media, "width", G_TYPE_INT, m_format.width, "height", G_TYPE_INT, m_format.height, nullptr));
    // Only a rate the camera states itself: a fraction made up from the
    // frame time (10000000/333333) matches no camera and stalls the stream.
    if (m_rate.num > 0) gst_caps_set_simple(caps.get(), "framerate", GST_TYPE_FRACTION, m_rate.num, m_rate.den, nullptr);
    g_object_set(m_sourceCaps.get(), "caps", caps.get(), nullptr);
}

HRESULT FilterGraph::SetGrabberMediaType() {
    m_grabberTypeSet = true;
    return S_OK;
}

HRESULT FilterGraph::AddGrabber() {
    if (!m_pipeline || m_grabberAdded) return E_FAIL;
    m_sourceCaps = MakeElement("capsfilter", "capture-format");
    m_convert = MakeElement("videoconvert", "grabber-convert");
    m_grabberCaps = MakeElement("capsfilter", "Grabber");
    // The grabber's frames are already in the display's own 32-bit format:
    // the screen's copy is only scaled, here on the streaming thread, and
    // then only copied to the screen. The grabber's frame (the one the
    // companion gets) stays as it is.
    m_renderConvert = MakeElement("videoconvertscale", "render-convert");
    m_renderCaps = MakeElement("capsfilter", "render-format");
    m_renderer = MakeElement("appsink", "renderer");
    if (!m_sourceCaps || !m_convert || !m_grabberCaps || !m_renderConvert || !m_renderCaps || !m_renderer)
        return E_FAIL;
    const auto bgrx = GstPtr<GstCaps>::Adopt(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr));
    g_object_set(m_grabberCaps.get(), "caps", bgrx.get(), nullptr);
    // The picture fills the area as it always has: stretched, no bars.
    g_object_set(m_renderConvert.get(), "add-borders", FALSE, nullptr);
    g_object_set(m_renderCaps.get(), "caps", bgrx.get(), nullptr);
    // Only the newest frame waits for the screen.
    g_object_set(m_renderer.get(), "max-buffers", 1, "drop", TRUE, "sync", FALSE, "emit-signals", TRUE, nullptr);
    g_signal_connect(m_renderer.get(), "new-sample", G_CALLBACK(&FilterGraph::OnSample), this);
    for (const auto* e : {&m_sourceCaps, &m_convert, &m_grabberCaps, &m_renderConvert, &m_renderCaps, &m_renderer})
        gst_bin_add(GST_BIN(m_pipeline.get()), e->get());
    ApplySourceCaps();
    // Frames are edited where they are: on the grabber's output pad, before
    // anything downstream holds them, so the buffer is writable without a copy.
    gst_pad_add_probe(StaticPad(m_grabberCaps.get(), "src").get(), GST_PAD_PROBE_TYPE_BUFFER, &FilterGraph::OnBuffer,
                      this, nullptr);
    m_grabberAdded = true;
    return S_OK;
}

HRESULT FilterGraph::RenderStream() {
    if (!m_source || !m_grabberAdded || !m_grabberTypeSet) return E_FAIL;
    // Opening the device is where a camera held by another program says so.
    if (gst_element_set_state(m_source.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(m_source.get(), GST_STATE_NULL);
        return VFW_E_DEVICE_IN_USE;
    }
    if (!m_rendered) {
        // Open, the camera tells what it offers: the format asked for so far
        // becomes the nearest one it has, before anything links to it.
        if (const GstPtr<GstPad> pad = StaticPad(m_source.get(), "src")) {
            m_offered = GstPtr<GstCaps>::Adopt(gst_pad_query_caps(pad.get(), nullptr));
            VideoFormat matched;
            Fraction rate;
            Encoding encoding = Encoding::kRaw;
            if (Match(m_format, &matched, &rate, &encoding) ||
                Match({m_format.width, m_format.height, 0}, &matched, &rate, &encoding)) {
                m_format = matched;
                m_rate = rate;
                m_encoding = encoding;
                ApplySourceCaps();
            }
        }
        // A camera sending JPEG pictures gets a decoder ahead of the
        // grabber, which takes raw frames only.
        if (m_encoding == Encoding::kJpeg && !AddJpegDecoder()) return E_FAIL;
        if (!gst_element_link(m_source.get(), m_sourceCaps.get())) return E_FAIL;
        GstElement* raw = m_sourceCaps.get();
        if (m_decoder) {
            if (!gst_element_link(raw, m_decoder.get())) return E_FAIL;
            raw = m_decoder.get();
        }
        if (!gst_element_link_many(raw, m_convert.get(), m_grabberCaps.get(), m_renderConvert.get(), m_renderCaps.get(),
                                   m_renderer.get(), nullptr))
            return E_FAIL;
        m_rendered = true;
    }
    return S_OK;
}

bool FilterGraph::AddJpegDecoder() {
    // The hardware decoders where the machine has them, else libjpeg's.
    for (const char* name : {"v4l2jpegdec", "vaapijpegdec", "jpegdec"}) {
        m_decoder = MakeElement(name, "camera-decode");
        if (m_decoder) break;
    }
    if (!m_decoder) return false;
    // A camera sends a broken picture now and then (a loose cable, a busy
    // bus): the decoding errors the decoder counts do not end the stream.
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(m_decoder.get()), "max-errors") != nullptr)
        g_object_set(m_decoder.get(), "max-errors", -1, nullptr);
    return gst_bin_add(GST_BIN(m_pipeline.get()), m_decoder.get());
}

HRESULT FilterGraph::RenderFile(const std::string& path) {
    if (m_source || m_rendered || !m_grabberAdded || !m_grabberTypeSet) return E_FAIL;
    PreferReliableFileElements();
    GError* error = nullptr;
    GCharPtr uri(gst_filename_to_uri(path.c_str(), &error));
    g_clear_error(&error);
    GstPtr<GstElement> player = MakeElement("playbin", "Source");
    GstPtr<GstElement> video = MakeElement("bin", "Grabber-bin");
    if (!uri || !player || !video) return E_FAIL;
    // The player opens the default output itself, and only for a file with
    // sound: a silent video touches no sound device.
    if (g_ownAudioOutput) {
        GstElement* made = AudioOutput()();
        const auto audio = GstPtr<GstElement>::Adopt(made != nullptr ? GST_ELEMENT(gst_object_ref_sink(made)) : nullptr);
        if (!audio) return E_FAIL;
        g_object_set(player.get(), "audio-sink", audio.get(), nullptr);
    }

    // The grabber's chain moves into the player's video output; a file has
    // no capture format to filter.
    GstBin* pipeline = GST_BIN(m_pipeline.get());
    if (GST_STATE(m_pipeline.get()) != GST_STATE_NULL) return E_FAIL;
    gst_bin_remove(pipeline, m_sourceCaps.get());
    for (const auto* e : {&m_convert, &m_grabberCaps, &m_renderConvert, &m_renderCaps, &m_renderer}) {
        gst_bin_remove(pipeline, e->get());
        gst_bin_add(GST_BIN(video.get()), e->get());
    }
    if (!gst_element_link_many(m_convert.get(), m_grabberCaps.get(), m_renderConvert.get(), m_renderCaps.get(),
                               m_renderer.get(), nullptr))
        return E_FAIL;
    const GstPtr<GstPad> input = StaticPad(m_convert.get(), "sink");
    gst_element_add_pad(video.get(), gst_ghost_pad_new("sink", input.get()));
    // A file plays at its own pace; a camera's frames are shown as they come.
    g_object_set(m_renderer.get(), "sync", TRUE, nullptr);
    // Video, sound and the software volume; no subtitles, no extra filters.
    // The video comes as decoded: with a scaler of the player's ahead of
    // the grabber, the screen's size would reach back and the grabber would
    // get frames at the picture area's size, not the file's.
    constexpr guint kVideo = 1 << 0, kAudio = 1 << 1, kSoftVolume = 1 << 4, kNativeVideo = 1 << 6;
    g_object_set(player.get(), "uri", uri.get(), "video-sink", video.get(), "flags",
                 kVideo | kAudio | kSoftVolume | kNativeVideo, nullptr);
    // The player is a whole graph of its own: it takes the place of the
    // empty one (a player nested in another graph loses its start now
    // and then).
    m_pipeline = player;
    m_source = std::move(player);
    m_volume = m_source;  // the player's own volume
    m_file = true;
    m_rendered = true;

    // Opening and cueing the first frame is where a file shows whether it
    // plays at all.
    const GstStateChangeReturn opened = gst_element_set_state(m_pipeline.get(), GST_STATE_PAUSED);
    GstState state = GST_STATE_VOID_PENDING;
    if (opened == GST_STATE_CHANGE_FAILURE ||
        gst_element_get_state(m_pipeline.get(), &state, nullptr, kOpenTimeout) != GST_STATE_CHANGE_SUCCESS) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT FilterGraph::RenderAudio() {
    if (!m_source || m_volume || m_grabberAdded) return E_FAIL;
    GstPtr<GstElement> convert = MakeElement("audioconvert", "audio-convert");
    GstPtr<GstElement> resample = MakeElement("audioresample", "audio-resample");
    GstPtr<GstElement> volume = MakeElement("volume", "volume");
    GstElement* made = AudioOutput()();
    const auto output = GstPtr<GstElement>::Adopt(made != nullptr ? GST_ELEMENT(gst_object_ref_sink(made)) : nullptr);
    if (!convert || !resample || !volume || !output) return E_FAIL;
    const GstElement* chain[] = {convert.get(), resample.get(), volume.get(), output.get()};
    for (const GstElement* e : chain) gst_bin_add(GST_BIN(m_pipeline.get()), const_cast<GstElement*>(e));
    if (!gst_element_link_many(m_source.get(), convert.get(), resample.get(), volume.get(), output.get(), nullptr)) {
        // The source stays in the graph, unconnected, as it was.
        for (const GstElement* e : chain) gst_bin_remove(GST_BIN(m_pipeline.get()), const_cast<GstElement*>(e));
        return E_FAIL;
    }
    m_volume = std::move(volume);
    return S_OK;
}

HRESULT FilterGraph::SetVolume(long volume) {
    if (!m_volume) return E_NOINTERFACE;
    // Hundredths of a decibel to a linear factor; the bottom of the range
    // is silence rather than a whisper.
    const double factor = volume <= -10000 ? 0.0 : std::pow(10.0, static_cast<double>(std::min(volume, 0L)) / 2000.0);
    g_object_set(m_volume.get(), "volume", factor, nullptr);
    return S_OK;
}

HRESULT FilterGraph::GetConnectedMediaType(int32_t* width, int32_t* height) const {
    if (width == nullptr || height == nullptr) return E_POINTER;
    if (!m_rendered) return E_FAIL;
    const auto caps = GstPtr<GstCaps>::Adopt(gst_pad_get_current_caps(StaticPad(m_grabberCaps.get(), "src").get()));
    if (caps) {
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, caps.get())) {
            *width = GST_VIDEO_INFO_WIDTH(&info);
            *height = GST_VIDEO_INFO_HEIGHT(&info);
            return S_OK;
        }
    }
    // A file's video is negotiated once its first frame is cued: without
    // caps it has no video (sound only) and the grabber is not connected.
    if (m_file) return E_FAIL;
    // A live source negotiates only once it runs; its size is the one set,
    // which is one the camera offers.
    *width = m_format.width;
    *height = m_format.height;
    return S_OK;
}

void FilterGraph::SetCallback(FrameCallback callback) {
    std::lock_guard lock(m_callbackMutex);
    m_callback = std::move(callback);
}

GstPadProbeReturn FilterGraph::OnBuffer(GstPad*, GstPadProbeInfo* info, gpointer self) {
    auto* graph = static_cast<FilterGraph*>(self);
    std::lock_guard lock(graph->m_callbackMutex);
    if (!graph->m_callback) return GST_PAD_PROBE_OK;
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
        graph->m_callback(map.data, static_cast<int32_t>(std::min<gsize>(map.size, INT32_MAX)));
        gst_buffer_unmap(buffer, &map);
    }
    return GST_PAD_PROBE_OK;
}

GstFlowReturn FilterGraph::OnSample(GstElement* sink, gpointer self) {
    auto* graph = static_cast<FilterGraph*>(self);
    const auto pulled = GstPtr<GstSample>::Adopt(gst_app_sink_pull_sample(GST_APP_SINK(sink)));
    if (!pulled) return GST_FLOW_OK;
    // The sink reuses its sample for the frames after this one, and must
    // not find it still held: the target gets a sample of its own around
    // the same buffer (no copy of the picture).
    const auto sample = GstPtr<GstSample>::Adopt(
        gst_sample_new(gst_sample_get_buffer(pulled.get()), gst_sample_get_caps(pulled.get()), nullptr, nullptr));
    std::lock_guard lock(graph->m_targetMutex);
    if (graph->m_target == nullptr) return GST_FLOW_OK;
    graph->m_target->Present(sample.get());
    graph->FollowShownSize(graph->m_target->ShownSize());
    return GST_FLOW_OK;
}

void FilterGraph::FollowShownSize(FrameSize size) {
    if (size == m_renderSize) return;
    m_renderSize = size;
    auto caps = GstPtr<GstCaps>::Adopt(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr));
    if (size.width > 0 && size.height > 0)
        gst_caps_set_simple(caps.get(), "width", G_TYPE_INT, size.width, "height", G_TYPE_INT, size.height,
                            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    // The renderer renegotiates with the next frame.
    g_object_set(m_renderCaps.get(), "caps", caps.get(), nullptr);
}

namespace {

HRESULT ChangeState(GstElement* pipeline, GstState state) {
    if (pipeline == nullptr) return E_FAIL;
    const GstStateChangeReturn result = gst_element_set_state(pipeline, state);
    if (result == GST_STATE_CHANGE_FAILURE) return E_FAIL;
    return result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL ? S_OK : S_FALSE;
}

}  // namespace

HRESULT FilterGraph::Run() { return ChangeState(m_pipeline.get(), GST_STATE_PLAYING); }
HRESULT FilterGraph::Pause() { return ChangeState(m_pipeline.get(), GST_STATE_PAUSED); }

HRESULT FilterGraph::Stop() {
    if (!m_pipeline) return E_FAIL;
    // Waits for the streaming thread: no frame is in flight afterwards.
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    return S_OK;
}

HRESULT FilterGraph::SetPositionToStart() {
    if (!m_pipeline) return E_FAIL;
    return gst_element_seek_simple(m_pipeline.get(), GST_FORMAT_TIME,
                                   GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0)
               ? S_OK
               : E_FAIL;
}

void FilterGraph::SetFrameTarget(FrameTarget* target) {
    std::lock_guard lock(m_targetMutex);
    m_target = target;
}

HRESULT FilterGraph::SetNotifyWindow(QObject* window, int eventType) {
    if (!m_pipeline) return E_FAIL;
    {
        std::lock_guard lock(m_eventMutex);
        m_notifyWindow = window;
        m_notifyEvent = eventType;
    }
    const auto bus = GstPtr<GstBus>::Adopt(gst_element_get_bus(m_pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), window != nullptr ? &FilterGraph::OnBusMessage : nullptr, this, nullptr);
    return S_OK;
}

GstBusSyncReply FilterGraph::OnBusMessage(GstBus*, GstMessage* taken, gpointer self) {
    // A sync handler that drops a message owns it.
    const auto message = GstPtr<GstMessage>::Adopt(taken);
    auto* graph = static_cast<FilterGraph*>(self);
    Event event{0, {}};
    switch (GST_MESSAGE_TYPE(message.get())) {
    case GST_MESSAGE_EOS:
        event.code = EC_COMPLETE;
        break;
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_WARNING: {
        GError* error = nullptr;
        gchar* details = nullptr;
        const bool isError = GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR;
        if (isError)
            gst_message_parse_error(message.get(), &error, &details);
        else
            gst_message_parse_warning(message.get(), &error, &details);
        const GCharPtr owned(details);
        const char* text = error != nullptr ? error->message : "";
        GObject* origin = G_OBJECT(GST_MESSAGE_SRC(message.get()));
        if (isError) {
            GST_CAT_ERROR_OBJECT(quabrel_debug, origin, "%s (%s)", text, details != nullptr ? details : "");
            event = {EC_ERRORABORT, text};
        } else {
            GST_CAT_WARNING_OBJECT(quabrel_debug, origin, "%s (%s)", text, details != nullptr ? details : "");
        }
        g_clear_error(&error);
        break;
    }
    default:
        break;
    }
    if (event.code != 0) {
        std::lock_guard lock(graph->m_eventMutex);
        graph->m_events.push_back(std::move(event));
        if (QObject* window = graph->m_notifyWindow.data())
            QCoreApplication::postEvent(window, new QEvent(static_cast<QEvent::Type>(graph->m_notifyEvent)));
    }
    return GST_BUS_DROP;
}

HRESULT FilterGraph::GetEvent(long* code, long* param1, long* param2, std::string* text) {
    if (code == nullptr) return E_POINTER;
    std::lock_guard lock(m_eventMutex);
    if (m_events.empty()) return E_FAIL;
    *code = m_events.front().code;
    if (text != nullptr) *text = std::move(m_events.front().text);
    m_events.pop_front();
    if (param1 != nullptr) *param1 = 0;
    if (param2 != nullptr) *param2 = 0;
    return S_OK;
}

}  // namespace quabrel
