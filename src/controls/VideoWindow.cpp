#include "controls/VideoWindow.h"

#include <gst/video/video.h>

#include <QPainter>

namespace quabrel {

VideoWindow::VideoWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
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

void VideoWindow::Present(GstSample* sample) {
    GstPtr<GstSample> dropped;  // a frame never shown: released outside the lock
    {
        std::lock_guard lock(m_mutex);
        dropped = std::exchange(m_pending, GstPtr<GstSample>::Ref(sample));
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

void VideoWindow::paintEvent(QPaintEvent*) {
    m_updateQueued = false;
    GstPtr<GstSample> sample;
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
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), frame);
    gst_buffer_unmap(gst_sample_get_buffer(sample.get()), &map);
}

}  // namespace quabrel
