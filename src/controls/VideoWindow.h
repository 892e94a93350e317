#pragma once

#include "platform/X11VideoOutput.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/GstPtr.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace quabrel {

// The picture of the graph inside the window: a child widget that shows the
// newest frame. Frames arrive on the streaming thread, already at the
// widget's size and in the screen's format. On X11 the widget is a window of
// its own and the streaming thread puts each frame straight into it: the
// interface thread does nothing per frame. Elsewhere a frame replaces the
// one waiting, so the screen never runs behind, and a paint only copies.
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
    // Told the timestamp of each frame as it goes on screen, on the thread
    // that shows it: for measuring how far the picture runs behind.
    void SetShownObserver(std::function<void(GstClockTime)> observer);
    // Whether frames go to the screen from the streaming thread.
    bool ShowsFramesDirectly() const { return m_direct != nullptr; }

    QPaintEngine* paintEngine() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowNewest();
    // Puts `sample`, or black without one, into the window of its own;
    // false when no frame went there. With m_putMutex held.
    bool PutDirectly(GstSample* sample);

    // Guards the two frames; held only to swap handles, never to paint.
    mutable std::mutex m_mutex;
    GstPtr<GstSample> m_pending;  // written by the streaming thread
    GstPtr<GstSample> m_current;  // on screen: set by whichever thread shows it
    std::atomic<bool> m_updateQueued{false};
    std::atomic<uint64_t> m_presented{0};
    std::atomic<uint64_t> m_shown{0};
    std::atomic<int32_t> m_shownWidth{0};  // the widget's size, for the streaming thread
    std::atomic<int32_t> m_shownHeight{0};
    // One picture at a time into the window of its own, so that a repaint
    // never puts an older frame over a newer one; also guards the observer.
    std::mutex m_putMutex;
    std::function<void(GstClockTime)> m_shownObserver;
    // Set once, at construction; null: frames are painted by the interface thread.
    std::unique_ptr<X11VideoOutput> m_direct;
};

}  // namespace quabrel
