#pragma once

#include "platform/FramePublisher.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;

namespace quabrel {

// A camera in the user's PipeWire session: a video source node that other
// programs (browsers, video-call programs, the desktop portal) open like a
// camera, needing neither root nor a kernel module. The frames published
// are 24-bit BGR in tight rows, as the frame callback packs them.
//
// Threads: Open, Start and the destructor run on one thread (the interface
// thread); Publish runs on the streaming thread between Start and the
// destructor. PipeWire's own thread serves the node.
class PipeWireCamera final : public FramePublisher {
public:
    // Null when no PipeWire daemon answers: nothing to publish to, and
    // nothing to say about it either.
    static std::unique_ptr<PipeWireCamera> Open(const std::string& name);
    ~PipeWireCamera() override;
    PipeWireCamera(const PipeWireCamera&) = delete;
    PipeWireCamera& operator=(const PipeWireCamera&) = delete;

    // Creates the node for frames of this size and row length; it lives
    // until the camera is destroyed. Asked again for the same frames, the
    // node stays as it is. False when the daemon refused it, or for frames
    // of another size than the node's.
    bool Start(int width, int height, int stride);

    // Copies the frame into a buffer the node has free and sends it on.
    // Without a free buffer (no consumer yet, or a slow one) or without a
    // daemon (gone mid-stream) the frame is dropped: the streaming thread
    // never waits for a consumer.
    void Publish(const uint8_t* frame, std::size_t length) override;

    uint64_t FramesSent() const { return m_sent.load(std::memory_order_relaxed); }
    uint64_t FramesDropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    PipeWireCamera() = default;
    struct Events;

    std::string m_name;
    pw_thread_loop* m_loop = nullptr;
    pw_context* m_context = nullptr;
    pw_core* m_core = nullptr;
    pw_stream* m_stream = nullptr;
    std::unique_ptr<Events> m_events;
    int m_width = 0, m_height = 0, m_stride = 0;  // of the frames the node carries
    // Set on PipeWire's thread, read on the streaming thread.
    std::atomic<bool> m_streaming{false};
    std::atomic<bool> m_daemonLost{false};
    std::atomic<uint64_t> m_sent{0}, m_dropped{0};
};

}  // namespace quabrel
