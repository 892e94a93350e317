#include "imaging/SampleGrabberCB.h"

#include "imaging/ColorProcessor.h"
#include "imaging/FrameConversion.h"
#include "platform/FramePublisher.h"
#include "platform/V4l2.h"

#include <algorithm>
#include <cstdint>

namespace quabrel {

void CSampleGrabberCB::SetUp(CColorProcessor* processor, int32_t width, int32_t height, const FrameOutputs& outputs) {
    m_processor = processor;
    m_outputs = outputs;
    m_width = width;
    m_height = height;
    m_headerSent = false;
    // Sized here, while no frame is in flight, so a frame never allocates.
    // It keeps its bytes from one connection to the next only when the size
    // stays, which it does for the whole run.
    const std::size_t bytes = outputs.companion != nullptr
                                  ? OutputFrameBytes(OutputFormat::kYuy2, outputs.width, outputs.height)
                                  : 0;
    if (m_companionFrame.size() != bytes) m_companionFrame.assign(bytes, 0);
}

HRESULT CSampleGrabberCB::BufferCB(double, uint8_t* buffer, int32_t bufferLength) {
    if (m_processor == nullptr || buffer == nullptr) return S_OK;
    const std::size_t length = static_cast<std::size_t>(std::max(bufferLength, 0));
    const int64_t pixels = static_cast<int64_t>(m_width) * m_height;
    m_processor->ProcessFrame(buffer, static_cast<int32_t>(std::clamp<int64_t>(pixels, 0, INT32_MAX)), length,
                              PixelLayout::kBgrx);

    const BgrxFrame frame{buffer, m_width, m_height, length};
    if (FramePublisher* camera = m_outputs.userCamera) {
        OutputFrame target;
        if (camera->BeginFrame(&target)) camera->EndFrame(ConvertFrame(frame, target));
    }
    if (!m_outputs.companionFound) return S_OK;
    if (m_outputs.companion == nullptr) return E_NOINTERFACE;
    if (m_companionFrame.empty()) return S_OK;  // no size to send
    if (!m_headerSent) {
        m_headerSent = true;
        m_outputs.companion->SetOutputFormat(m_outputs.width, m_outputs.height,
                                             static_cast<int32_t>(m_companionFrame.size()));
    }
    // The device's answers change nothing here: a frame it refuses is
    // simply not shown elsewhere.
    if (ConvertFrame(frame, {m_companionFrame.data(), m_outputs.width, m_outputs.height, OutputFormat::kYuy2}))
        m_outputs.companion->WriteFrame(m_companionFrame.data(), m_companionFrame.size());
    return S_OK;
}

}  // namespace quabrel
