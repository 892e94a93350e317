#include "platform/media/FilterGraph.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>

namespace quabrel {

// ---------------------------------------------------------------- window

VideoWindow::VideoWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
}

VideoWindow::~VideoWindow() {
    std::lock_guard lock(m_mutex);
    if (m_pending != nullptr) gst_sample_unref(m_pending);
    if (m_current != nullptr) gst_sample_unref(m_current);
}

void VideoWindow::Present(GstSample* sample) {
    {
        std::lock_guard lock(m_mutex);
        if (m_pending != nullptr) gst_sample_unref(m_pending);  // never shown: dropped
        m_pending = gst_sample_ref(sample);
    }
    ++m_presented;
    // One repaint request in flight at most; it takes whatever is newest.
    if (!m_updateQueued.exchange(true)) QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

namespace {

// A view of a sample's 24-bit BGR picture, valid while the sample lives.
QImage ImageOf(GstSample* sample, GstMapInfo& map) {
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (buffer == nullptr || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
        !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return QImage();
    return QImage(map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                  GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_BGR888);
}

}  // namespace

QImage VideoWindow::CurrentFrame() const {
    std::lock_guard lock(m_mutex);
    if (m_current == nullptr) return QImage();
    GstMapInfo map;
    QImage view = ImageOf(m_current, map);
    if (view.isNull()) return view;
    QImage copy = view.copy();
    gst_buffer_unmap(gst_sample_get_buffer(m_current), &map);
    return copy;
}

void VideoWindow::paintEvent(QPaintEvent*) {
    m_updateQueued = false;
    GstSample* sample = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (m_pending != nullptr) {
            if (m_current != nullptr) gst_sample_unref(m_current);
            m_current = m_pending;
            m_pending = nullptr;
            ++m_shown;
        }
        if (m_current != nullptr) sample = gst_sample_ref(m_current);
    }
    if (sample != nullptr && m_shownObserver) m_shownObserver(GST_BUFFER_PTS(gst_sample_get_buffer(sample)));
    QPainter painter(this);
    if (sample == nullptr) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    GstMapInfo map;
    const QImage frame = ImageOf(sample, map);
    if (frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), frame);
        gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
    }
    gst_sample_unref(sample);
}

// ---------------------------------------------------------------- graph

namespace {

GstPtr<GstElement> Make(const char* factory, const char* name) {
    GstElement* element = gst_element_factory_make(factory, name);
    if (element != nullptr) gst_object_ref_sink(element);
    return GstPtr<GstElement>::Adopt(element);
}

}  // namespace

FilterGraph::FilterGraph() {
    m_pipeline = Make("pipeline", "quabrel-graph");
    m_window = new VideoWindow();
    m_window->hide();
}

FilterGraph::~FilterGraph() {
    Stop();
    if (m_pipeline) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
        GstPtr<GstBus> bus = GstPtr<GstBus>::Adopt(gst_element_get_bus(m_pipeline.get()));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    }
    delete m_window.data();
}

HRESULT FilterGraph::AddSource(GstElement* source, const char* name) {
    if (source == nullptr || !m_pipeline || m_source) return E_FAIL;
    if (GST_OBJECT_PARENT(source) != nullptr) return E_FAIL;  // already in a graph
    gst_object_set_name(GST_OBJECT(source), name);
    if (!gst_bin_add(GST_BIN(m_pipeline.get()), GST_ELEMENT(gst_object_ref(source)))) return E_FAIL;
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
    m_format = format;
    ApplySourceCaps();
    return S_OK;
}

void FilterGraph::ApplySourceCaps() {
    if (!m_sourceCaps) return;
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, m_format.width, "height", G_TYPE_INT,
                                       m_format.height, nullptr);
    if (m_format.avgTimePerFrame > 0) {
        // Frame time in 100 ns units as a fraction of frames per second.
        gint num = 0, den = 0;
        gst_util_double_to_fraction(1e7 / static_cast<double>(m_format.avgTimePerFrame), &num, &den);
        gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, num, den, nullptr);
    }
    g_object_set(m_sourceCaps.get(), "caps", caps, nullptr);
    gst_caps_unref(caps);
}

HRESULT FilterGraph::SetGrabberMediaType() {
    m_grabberTypeSet = true;
    return S_OK;
}

HRESULT FilterGraph::AddGrabber() {
    if (!m_pipeline || m_grabberAdded) return E_FAIL;
    m_sourceCaps = Make("capsfilter", "capture-format");
    m_convert = Make("videoconvert", "grabber-convert");
    m_grabberCaps = Make("capsfilter", "Grabber");
    m_renderConvert = Make("videoconvert", "render-convert");
    m_renderer = Make("appsink", "renderer");
    if (!m_sourceCaps || !m_convert || !m_grabberCaps || !m_renderConvert || !m_renderer) return E_FAIL;
    GstCaps* bgr = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", nullptr);
    g_object_set(m_grabberCaps.get(), "caps", bgr, nullptr);
    gst_caps_unref(bgr);
    GstCaps* shown = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", nullptr);
    // Only the newest frame waits for the screen.
    g_object_set(m_renderer.get(), "caps", shown, "max-buffers", 1, "drop", TRUE, "sync", FALSE, "emit-signals", TRUE,
                 nullptr);
    gst_caps_unref(shown);
    g_signal_connect(m_renderer.get(), "new-sample", G_CALLBACK(&FilterGraph::OnSample), this);
    for (auto* e : {&m_sourceCaps, &m_convert, &m_grabberCaps, &m_renderConvert, &m_renderer})
        gst_bin_add(GST_BIN(m_pipeline.get()), GST_ELEMENT(gst_object_ref(e->get())));
    ApplySourceCaps();
    // Frames are edited where they are: on the grabber's output pad, before
    // anything downstream holds them, so the buffer is writable without a copy.
    GstPtr<GstPad> pad = GstPtr<GstPad>::Adopt(gst_element_get_static_pad(m_grabberCaps.get(), "src"));
    gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &FilterGraph::OnBuffer, this, nullptr);
    m_grabberAdded = true;
    return S_OK;
}

HRESULT FilterGraph::RenderStream(MediaType type) {
    // A camera offers one plain video stream: no multiplexed or interleaved
    // one to render.
    if (type != MediaType::kVideo) return E_FAIL;
    if (!m_source || !m_grabberAdded || !m_grabberTypeSet) return E_FAIL;
    if (!m_rendered) {
        if (!gst_element_link_many(m_source.get(), m_sourceCaps.get(), m_convert.get(), m_grabberCaps.get(),
                                   m_renderConvert.get(), m_renderer.get(), nullptr))
            return E_FAIL;
        m_rendered = true;
    }
    // Opening the device is where a camera held by another program says so.
    if (gst_element_set_state(m_source.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(m_source.get(), GST_STATE_NULL);
        return VFW_E_DEVICE_IN_USE;
    }
    return S_OK;
}

HRESULT FilterGraph::GetConnectedMediaType(int32_t* width, int32_t* height) const {
    if (width == nullptr || height == nullptr) return E_POINTER;
    if (!m_rendered) return E_FAIL;
    GstPtr<GstPad> pad = GstPtr<GstPad>::Adopt(gst_element_get_static_pad(m_grabberCaps.get(), "src"));
    GstCaps* caps = gst_pad_get_current_caps(pad.get());
    if (caps != nullptr) {
        GstVideoInfo info;
        const bool ok = gst_video_info_from_caps(&info, caps);
        gst_caps_unref(caps);
        if (ok) {
            *width = GST_VIDEO_INFO_WIDTH(&info);
            *height = GST_VIDEO_INFO_HEIGHT(&info);
            return S_OK;
        }
    }
    // A live source negotiates only once it runs; its size is the one set.
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
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (sample == nullptr) return GST_FLOW_OK;
    if (VideoWindow* window = graph->m_window.data()) window->Present(sample);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
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

HRESULT FilterGraph::StopWhenReady() { return Pause(); }

HRESULT FilterGraph::SetPositionToStart() {
    if (!m_pipeline) return E_FAIL;
    return gst_element_seek_simple(m_pipeline.get(), GST_FORMAT_TIME,
                                   GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0)
               ? S_OK
               : E_FAIL;
}

HRESULT FilterGraph::PutMessageDrain(QObject* window) {
    // A graph without a renderer has no window to drain.
    return window != nullptr && m_rendered ? S_OK : E_FAIL;
}

HRESULT FilterGraph::PutOwner(QWidget* owner) {
    if (!m_window) return E_FAIL;
    m_window->setParent(owner);
    if (owner == nullptr) m_window->hide();
    return S_OK;
}

HRESULT FilterGraph::PutVisible(bool visible) {
    if (!m_window) return E_FAIL;
    m_window->setVisible(visible && m_window->parentWidget() != nullptr);
    return S_OK;
}

HRESULT FilterGraph::SetWindowPosition(const QRect& rect) {
    if (!m_window || rect.isEmpty()) return E_FAIL;
    m_window->setGeometry(rect);
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(QObject* window, int eventType) {
    if (!m_pipeline) return E_FAIL;
    {
        std::lock_guard lock(m_eventMutex);
        m_notifyWindow = window;
        m_notifyEvent = eventType;
    }
    GstPtr<GstBus> bus = GstPtr<GstBus>::Adopt(gst_element_get_bus(m_pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), window != nullptr ? &FilterGraph::OnBusMessage : nullptr, this, nullptr);
    return S_OK;
}

GstBusSyncReply FilterGraph::OnBusMessage(GstBus*, GstMessage* message, gpointer self) {
    auto* graph = static_cast<FilterGraph*>(self);
    long code = 0;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS)
        code = EC_COMPLETE;
    else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        code = EC_ERRORABORT;
    if (code != 0) {
        std::lock_guard lock(graph->m_eventMutex);
        graph->m_events.push_back(code);
        if (QObject* window = graph->m_notifyWindow.data())
            QCoreApplication::postEvent(window, new QEvent(static_cast<QEvent::Type>(graph->m_notifyEvent)));
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

HRESULT FilterGraph::GetEvent(long* code, long* param1, long* param2) {
    if (code == nullptr) return E_POINTER;
    std::lock_guard lock(m_eventMutex);
    if (m_events.empty()) return E_FAIL;
    *code = m_events.front();
    m_events.pop_front();
    if (param1 != nullptr) *param1 = 0;
    if (param2 != nullptr) *param2 = 0;
    return S_OK;
}

}  // namespace quabrel
