#include "imaging/SampleGrabberCB.h"

#include "imaging/ColorProcessor.h"
#include "platform/FramePublisher.h"
#include "platform/V4l2.h"

#include <algorithm>
#include <cstdint>

namespace quabrel {

void CSampleGrabberCB::SetUp(CColorProcessor* processor, const CompanionDevice* companion, bool hasCompanion,
                             int32_t width, int32_t height, FramePublisher* userCamera) {
    m_processor = processor;
    m_userCamera = userCamera;
    m_companion = companion;
    m_hasCompanion = hasCompanion;
    m_width = width;
    m_height = height;
    m_headerSent = false;
    // Sized here, while no frame is in flight, so a frame never allocates.
    const bool receivers = userCamera != nullptr || companion != nullptr;
    m_packed.assign(receivers ? static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0) * 3 : 0, 0);
}

namespace {

// BGRx rows into tight BGR rows; rows the frame does not hold stay as they
// were.
void PackBgr(const uint8_t* frame, std::size_t length, int32_t width, int32_t height, uint8_t* out) {
    const std::size_t rowIn = static_cast<std::size_t>(width) * 4;
    const std::size_t rows = std::min<std::size_t>(static_cast<std::size_t>(height), length / rowIn);
    for (std::size_t i = 0, pixels = rows * static_cast<std::size_t>(width); i < pixels; ++i, frame += 4, out += 3) {
        out[0] = frame[0];
        out[1] = frame[1];
        out[2] = frame[2];
    }
}

}  // namespace

HRESULT CSampleGrabberCB::BufferCB(double, uint8_t* buffer, int32_t bufferLength) {
    if (m_processor == nullptr || buffer == nullptr) return S_OK;
    const std::size_t length = static_cast<std::size_t>(std::max(bufferLength, 0));
    const int64_t pixels = static_cast<int64_t>(m_width) * m_height;
    m_processor->ProcessFrame(buffer, static_cast<int32_t>(std::clamp<int64_t>(pixels, 0, INT32_MAX)), length,
                              PixelLayout::kBgrx);

    if (!m_packed.empty()) {
        PackBgr(buffer, length, m_width, m_height, m_packed.data());
        if (m_userCamera != nullptr) m_userCamera->Publish(m_packed.data(), m_packed.size());
    }
    if (!m_hasCompanion) return S_OK;
    if (m_companion == nullptr) return E_NOINTERFACE;
    if (m_packed.empty()) return S_OK;  // a frame without a size
    if (!m_headerSent) {
        m_headerSent = true;
        m_companion->SetOutputFormat(m_width, m_height, static_cast<int32_t>(m_packed.size()));
    }
    // The device's answers change nothing here: a frame it refuses is
    // simply not shown elsewhere.
    m_companion->WriteFrame(m_packed.data(), m_packed.size());
    return S_OK;
}

}  // namespace quabrel
