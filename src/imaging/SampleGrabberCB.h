#pragma once

#include "platform/HResult.h"

#include <cstdint>
#include <vector>

namespace quabrel {

class CColorProcessor;
class CompanionDevice;
class FramePublisher;

// Where the adjusted frames go besides the picture, and the one size they
// carry there for the whole run (even; frames of another size are scaled to
// it, so a reader never has to follow a change).
struct FrameOutputs {
    // The companion device's node; null when it was not found, or found
    // but would not open (`companionFound` tells the two apart).
    const CompanionDevice* companion = nullptr;
    bool companionFound = false;
    // The PipeWire camera; null without a PipeWire session.
    FramePublisher* userCamera = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

// The per-frame callback of the grabber. It runs on the streaming thread:
// it adjusts the frame (32-bit BGRx, the display's format) in place with
// the colour processor; then converts it once for each receiver, straight
// into the PipeWire camera's own buffer in the format its reader chose, and
// into YUYV for the companion device, after a one-time header with the
// companion's frame size.
//
// Thread contract: SetUp runs on the interface thread while no frame is in
// flight (before the callback is connected, after it is removed); BufferCB
// runs on the streaming thread only in between. The processor and the
// outputs are borrowed: their owner keeps them alive until the callback is
// removed.
class CSampleGrabberCB {
public:
    // Set-up for a new connection: the frame size, what the frame goes
    // through and to, and a header before the next frame.
    void SetUp(CColorProcessor* processor, int32_t width, int32_t height, const FrameOutputs& outputs);

    // Adjusts the frame, then sends it on. E_NOINTERFACE when a companion
    // was found but its node did not open; the frame is still adjusted.
    // A frame shorter than its size sends the rows it lacks as they last
    // went out.
    HRESULT BufferCB(double sampleTime, uint8_t* buffer, int32_t bufferLength);

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    bool HeaderSent() const { return m_headerSent; }

private:
    // --- set on the interface thread before frames flow, read by the
    // streaming thread while they do
    int32_t m_width = 0;
    int32_t m_height = 0;
    CColorProcessor* m_processor = nullptr;
    FrameOutputs m_outputs;
    // The companion's frame: sized on the interface thread, filled by the
    // streaming thread.
    std::vector<uint8_t> m_companionFrame;
    // --- only accessed from the streaming thread once set up
    bool m_headerSent = false;
};

}  // namespace quabrel
