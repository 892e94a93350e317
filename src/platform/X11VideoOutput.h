#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

struct xcb_connection_t;

namespace quabrel {

// Puts 32-bit BGRx pictures straight into one X window through shared
// memory, from any thread: a frame reaches the screen from the streaming
// thread, with no trip through the interface thread and its paint. Only for
// a window whose visual is true colour with red, green and blue where BGRx
// has them (24-bit, or 32-bit with alpha, which is then kept opaque).
//
// Threads: every member may be called from any thread; one lock keeps a
// picture whole while another thread draws.
class X11VideoOutput {
public:
    // Null when the window's visual does not fit or the server cannot share
    // memory with this process: the caller paints the usual way then.
    static std::unique_ptr<X11VideoOutput> Open(xcb_connection_t* connection, uint32_t window);
    ~X11VideoOutput();
    X11VideoOutput(const X11VideoOutput&) = delete;
    X11VideoOutput& operator=(const X11VideoOutput&) = delete;

    // Shows `width` x `height` pixels (rows `stride` bytes apart) at the
    // window's top left and returns once the server has read them. False
    // when they could not be shown.
    bool Put(const uint8_t* pixels, int width, int height, int stride);
    // Fills `width` x `height` at the top left with black.
    void FillBlack(int width, int height);

private:
    X11VideoOutput(xcb_connection_t* connection, uint32_t window, uint8_t depth);
    bool Reserve(std::size_t bytes);  // with m_mutex held
    void ReleaseSegment();            // with m_mutex held

    xcb_connection_t* const m_connection;
    const uint32_t m_window;
    const uint8_t m_depth;
    std::mutex m_mutex;
    uint32_t m_gc = 0;
    uint32_t m_segment = 0;  // the server's name for the shared memory, 0: none
    uint8_t* m_memory = nullptr;
    std::size_t m_capacity = 0;
};

}  // namespace quabrel
