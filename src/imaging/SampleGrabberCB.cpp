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
}

HRESULT CSampleGrabberCB::BufferCB(double, uint8_t* buffer, int32_t bufferLength) {
    if (m_processor == nullptr || buffer == nullptr) return S_OK;
    const std::size_t length = static_cast<std::size_t>(std::max(bufferLength, 0));
    const int64_t pixels = static_cast<int64_t>(m_width) * m_height;
    m_processor->ProcessFrame(buffer, static_cast<int32_t>(std::clamp<int64_t>(pixels, 0, INT32_MAX)), length);

    if (m_userCamera != nullptr) m_userCamera->Publish(buffer, length);
    if (!m_hasCompanion) return S_OK;
    if (m_companion == nullptr) return E_NOINTERFACE;
    if (!m_headerSent) {
        m_headerSent = true;
        m_companion->SetOutputFormat(m_width, m_height, bufferLength);
    }
    // The device's answers change nothing here: a frame it refuses is
    // simply not shown elsewhere.
    m_companion->WriteFrame(buffer, length);
    return S_OK;
}

}  // namespace quabrel
