#pragma once

#include "platform/HResult.h"
#include "platform/V4l2.h"

#include <cstdint>

namespace quabrel {

class CquabrelDlg;

inline constexpr Guid IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr Guid IID_ISampleGrabberCB{0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};

// The per-frame callback of the sample grabber. It runs on the streaming
// thread: it adjusts the frame in place with the window's colour processor,
// then hands the same buffer to the companion device, after a one-time
// header with the frame's size. One object for the whole program.
class CSampleGrabberCB {
public:
    HRESULT QueryInterface(const Guid& iid, void** object);
    unsigned long AddRef() { return 2; }
    unsigned long Release() { return 1; }
    HRESULT SampleCB(double sampleTime, void* sample);
    HRESULT BufferCB(double sampleTime, uint8_t* buffer, int32_t bufferLength);

    // Set-up for a new connection (the interface thread, while no frame
    // runs): the frame size, the owner, and a header before the next frame.
    void SetUp(CquabrelDlg* owner, int32_t width, int32_t height);

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    bool HeaderSent() const { return m_headerSent; }

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    CquabrelDlg* m_owner = nullptr;
    CompanionHeader m_header{};
    bool m_headerSent = false;
};

// The one callback object; the grabber only borrows it.
extern CSampleGrabberCB g_sampleGrabberCB;

}  // namespace quabrel
