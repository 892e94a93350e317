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
struct pw_buffer;

namespace quabrel {

// A camera in the user's PipeWire session: a video source node that other
// programs (browsers, video-call programs, the desktop portal) open like a
// camera, needing neither root nor a kernel module. It offers its frames in
// the formats browsers decode right, 32-bit BGRA first, then YUY2 and I420,
// at one size, with a frame-rate range a reader can settle on; the reader
// chooses.
//
// Threads: Open, Start and the destructor run on one thread (the interface
// thread); BeginFrame and EndFrame run on the streaming thread between Start
// and the destructor. PipeWire's own thread serves the node.
class PipeWireCamera final : public FramePublisher {
public:
    // Null when no PipeWire daemon answers: nothing to publish to, and
    // nothing to say about it either.
    static std::unique_ptr<PipeWireCamera> Open(const std::string& name);
    ~PipeWireCamera() override;
    PipeWireCamera(const PipeWireCamera&) = delete;
    PipeWireCamera& operator=(const PipeWireCamera&) = delete;

    // Creates the node for frames of this size (even: 4:2:x formats need
    // it); it lives until the camera is destroyed, across every source its
    // owner shows, so a reader keeps its stream. Asked again, the node stays
    // as it is: true for the same size. False when the daemon refused it.
    bool Start(int width, int height);

    // A free buffer of the node, in the format its reader chose, or false
    // (no reader yet, every buffer taken by a slow one, or the daemon gone
    // mid-stream): the frame is dropped and the streaming thread never waits
    // for a reader. Between a true Begin and its End, PipeWire's loop lock is
    // held: the buffer cannot be taken away by a renegotiation meanwhile.
    bool BeginFrame(OutputFrame* frame) override;
    void EndFrame(bool filled) override;

    // The connection to the daemon is gone: the node is no more.
    bool DaemonLost() const { return m_daemonLost.load(std::memory_order_relaxed); }
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
    int m_width = 0, m_height = 0;  // of the frames the node carries
    // --- written on PipeWire's thread and read on the streaming thread,
    // both under the loop lock
    OutputFormat m_format = OutputFormat::kBgra;
    // --- streaming thread only: the buffer between Begin and End
    pw_buffer* m_pending = nullptr;
    uint64_t m_sequence = 0;
    // Set on PipeWire's thread, read on the streaming thread.
    std::atomic<bool> m_streaming{false};
    std::atomic<bool> m_daemonLost{false};
    std::atomic<uint64_t> m_sent{0}, m_dropped{0};
};

}  // namespace quabrel
