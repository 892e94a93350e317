#include "controls/VideoWindow.h"

#include <gst/video/video.h>

#include <QGuiApplication>
#include <QPainter>

namespace quabrel {

VideoWindow::VideoWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) return;
    // A window of its own for the picture, its ancestors staying as they
    // are; the frames go into it past Qt's painting.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_NativeWindow);
    m_direct = X11VideoOutput::Open(x11->connection(), static_cast<uint32_t>(winId()));
    if (!m_direct) return;
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
}

VideoWindow::~VideoWindow() = default;

void VideoWindow::Clear() {
    GstPtr<GstSample> pending, current;
    {
        std::lock_guard lock(m_mutex);
        pending = std::move(m_pending);
        current = std::move(m_current);
    }
    update();
}

QPaintEngine* VideoWindow::paintEngine() const { return m_direct ? nullptr : QWidget::paintEngine(); }

void VideoWindow::Present(GstSample* sample) {
    if (m_direct) {
        GstPtr<GstSample> replaced;  // released outside the locks
        std::lock_guard put(m_putMutex);
        {
            std::lock_guard lock(m_mutex);
            replaced = std::exchange(m_current, GstPtr<GstSample>::Ref(sample));
        }
        ++m_presented;
        if (!PutDirectly(sample)) return;
        ++m_shown;
        if (m_shownObserver) m_shownObserver(GST_BUFFER_PTS(gst_sample_get_buffer(sample)));
        return;
    }
    GstPtr<GstSample> dropped;  // a frame never shown: released outside the lock
    {
        std::lock_guard lock(m_mutex);
        dropped = std::exchange(m_pending, GstPtr<GstSample>::Ref(sample));
    }
    ++m_presented;
    // One repaint request in flight at most; it takes whatever is newest
    // and paints at once, with no second trip through the event queue.
    if (!m_updateQueued.exchange(true)) QMetaObject::invokeMethod(this, &VideoWindow::ShowNewest, Qt::QueuedConnection);
}

namespace {

// A view of a sample's picture (32-bit BGRx, the renderer's format), valid
// while the sample lives and mapped; a null image has nothing mapped.
QImage ImageOf(GstSample* sample, GstMapInfo& map) {
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (buffer == nullptr || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return QImage();
    if (GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGRx) return QImage();
    if (GST_VIDEO_INFO_WIDTH(&info) <= 0 || GST_VIDEO_INFO_HEIGHT(&info) <= 0 ||
        !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return QImage();
    return QImage(map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                  GST_VIDEO_INFO_PLANE_STRIDE(&info, 0),
                  QImage::Format_RGB32);  // 0xffRRGGBB in memory order
}

}  // namespace

QImage VideoWindow::CurrentFrame() const {
    GstPtr<GstSample> sample;
    {
        std::lock_guard lock(m_mutex);
        sample = m_current;
    }
    if (!sample) return QImage();
    GstMapInfo map;
    const QImage view = ImageOf(sample.get(), map);
    if (view.isNull()) return view;
    QImage copy = view.copy();
    gst_buffer_unmap(gst_sample_get_buffer(sample.get()), &map);
    return copy;
}

void VideoWindow::SetShownObserver(std::function<void(GstClockTime)> observer) {
    std::lock_guard put(m_putMutex);
    m_shownObserver = std::move(observer);
}

bool VideoWindow::PutDirectly(GstSample* sample) {
    GstMapInfo map;
    const QImage view = sample ? ImageOf(sample, map) : QImage();
    if (view.isNull()) {
        m_direct->FillBlack(m_shownWidth, m_shownHeight);
        return false;
    }
    // Frames made before the area changed size, until the graph follows (or
    // for good, while a picture stands still), are scaled here.
    const QSize shown(m_shownWidth, m_shownHeight);
    const QImage fitted =
        view.size() == shown || shown.isEmpty() ? view : view.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const bool put =
        m_direct->Put(fitted.constBits(), fitted.width(), fitted.height(), static_cast<int>(fitted.bytesPerLine()));
    gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
    return put;
}

void VideoWindow::ShowNewest() {
    m_updateQueued = false;
    repaint();
}

void VideoWindow::paintEvent(QPaintEvent*) {
    GstPtr<GstSample> sample;
    if (m_direct) {  // shown, or uncovered: the frame on screen again
        std::lock_guard put(m_putMutex);
        {
            std::lock_guard lock(m_mutex);
            sample = m_current;
        }
        PutDirectly(sample.get());
        return;
    }
    GstPtr<GstSample> replaced;
    {
        std::lock_guard lock(m_mutex);
        if (m_pending) {
            replaced = std::exchange(m_current, std::move(m_pending));
            m_pending.reset();
            ++m_shown;
        }
        sample = m_current;
    }
    if (sample && m_shownObserver) m_shownObserver(GST_BUFFER_PTS(gst_sample_get_buffer(sample.get())));
    QPainter painter(this);
    GstMapInfo map;
    const QImage frame = sample ? ImageOf(sample.get(), map) : QImage();
    if (frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (frame.size() == size()) {
        painter.drawImage(QPoint(0, 0), frame);
    } else {
        // Frames made before the area changed size, until the graph follows.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), frame);
    }
    gst_buffer_unmap(gst_sample_get_buffer(sample.get()), &map);
}

void VideoWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Frames put straight into the window are in its own pixels, which a
    // high-density screen has more of than the widget's size says; painted
    // frames are scaled by the painter like everything else.
    const qreal scale = m_direct ? devicePixelRatioF() : 1.0;
    m_shownWidth = qRound(width() * scale);
    m_shownHeight = qRound(height() * scale);
}

}  // namespace quabrel
