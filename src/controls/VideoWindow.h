#pragma once

#include "platform/media/FilterGraph.h"
#include "platform/media/GstPtr.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <functional>
#include <mutex>

namespace quabrel {

// The picture of the graph inside the window: a child widget that shows the
// newest frame. Frames arrive on the streaming thread, already at the
// widget's size and in the screen's format, and replace the one waiting, so
// the screen never runs behind and a paint only copies.
class VideoWindow : public QWidget, public FrameTarget {
    Q_OBJECT

public:
    explicit VideoWindow(QWidget* parent = nullptr);
    ~VideoWindow() override;

    // Streaming thread: the frame to show next (replaces an unshown one).
    void Present(GstSample* sample) override;
    FrameSize ShownSize() const override { return {m_shownWidth.load(), m_shownHeight.load()}; }
    // Forgets every frame: the next source starts from black.
    void Clear();
    // How many frames were handed over, and shown.
    uint64_t FramesPresented() const { return m_presented.load(); }
    uint64_t FramesShown() const { return m_shown.load(); }
    // The frame on screen now, as the graph delivered it (empty before the
    // first).
    QImage CurrentFrame() const;
    // Told, on the interface thread, the timestamp of each frame as it goes
    // on screen: for measuring how far the picture runs behind.
    void SetShownObserver(std::function<void(GstClockTime)> observer) { m_shownObserver = std::move(observer); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowNewest();

    // Guards the two frames; held only to swap handles, never to paint.
    mutable std::mutex m_mutex;
    GstPtr<GstSample> m_pending;  // written by the streaming thread
    GstPtr<GstSample> m_current;  // the interface thread's, once taken
    std::atomic<bool> m_updateQueued{false};
    std::atomic<uint64_t> m_presented{0};
    std::atomic<uint64_t> m_shown{0};
    std::atomic<int32_t> m_shownWidth{0};  // the widget's size, for the streaming thread
    std::atomic<int32_t> m_shownHeight{0};
    // --- interface thread only
    std::function<void(GstClockTime)> m_shownObserver;
};

}  // namespace quabrel
