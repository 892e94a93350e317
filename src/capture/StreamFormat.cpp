// The frame rate of a running live preview, from the frame-rate box.

#include "controls/BitComboBox.h"
#include "mainwindow/DialogTemplate.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/MessageBox.h"

namespace quabrel {

// Entry i asks for 5 * i frames per second; entry 0 for 30.
int64_t FrameTimeOfEntry(int index) {
    const int32_t n = index <= 0 ? 6 : index;
    return static_cast<int64_t>(int32_t{10000000} / (5 * n));
}

void CquabrelDlg::OnSelchangeFrameRate() {
    const int index = m_frameRate->currentIndex();
    // Only a running camera has a frame rate to change: not a file, not a
    // microphone.
    if (!m_bDeviceActive || m_bNoVideoWindow || !m_pGraph || !m_pCaptureBuilder) return;
    m_pGraph->Stop();
    VideoFormat format;
    if (m_pStreamConfig != nullptr && m_pStreamConfig->GetFormat(&format) == S_OK) {
        format.avgTimePerFrame = FrameTimeOfEntry(index);
        if (m_pStreamConfig->SetFormat(format) != S_OK) ShowMessageBox(this, QStringLiteral("Cannot set new frame rate"));
    }
    m_pGraph->Run();
}

}  // namespace quabrel
