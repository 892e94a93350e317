#pragma once

#include "platform/HResult.h"

#include <cstdint>
#include <vector>

namespace quabrel {

class CColorProcessor;
class CompanionDevice;
class FramePublisher;

// The per-frame callback of the grabber. It runs on the streaming thread:
// it adjusts the frame (32-bit BGRx, the display's format) in place with
// the colour processor; then, when there is anyone to receive it, packs it
// once into 24-bit BGR rows, which go to the user-space camera, if there is
// one, and to the companion device, after a one-time header with the
// frame's size.
//
// Thread contract: SetUp runs on the interface thread while no frame is in
// flight (before the callback is connected, after it is removed); BufferCB
// runs on the streaming thread only in between. The processor and the
// companion are borrowed: their owner keeps them alive until the callback
// is removed.
class CSampleGrabberCB {
public:
    // Set-up for a new connection: the frame size, what the frame goes
    // through and to, and a header before the next frame. `companion` may be
    // null: no companion device; `userCamera` too: no user-space camera.
    void SetUp(CColorProcessor* processor, const CompanionDevice* companion, bool hasCompanion, int32_t width,
               int32_t height, FramePublisher* userCamera = nullptr);

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
    const CompanionDevice* m_companion = nullptr;
    bool m_hasCompanion = false;
    FramePublisher* m_userCamera = nullptr;
    // The frame as the receivers take it: sized on the interface thread,
    // filled by the streaming thread.
    std::vector<uint8_t> m_packed;
    // --- only accessed from the streaming thread once set up
    bool m_headerSent = false;
};

}  // namespace quabrel
