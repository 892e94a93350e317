// The live preview: tearing the graph down, building the base graph, and
// the build that runs when the user picks a camera. The steps and their
// messages follow one fixed order; each result decides the next step.

#include "controls/BitComboBox.h"
#include "controls/Explorer1.h"
#include "controls/MyListBox.h"
#include "controls/MySliderControl.h"
#include "controls/SkinButton.h"
#include "imaging/SampleGrabberCB.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/MessageBox.h"
#include "skin/ResourceImages.h"

#include <QEvent>
#include <QLabel>
#include <QMenu>

namespace quabrel {

const int CquabrelDlg::kGraphEvent = QEvent::registerEventType();

void CquabrelDlg::TeardownGraph() {
    if (m_bGraphBuilt && m_pGraph) {
        // Stopping waits for the streaming thread: no frame is in flight
        // once it returns.
        m_pGraph->Stop();
        m_pGraph->SetNotifyWindow(nullptr, 0);
        m_pGraph->PutOwner(nullptr);
        m_pGraph->PutVisible(false);
    }
    m_bGraphBuilt = false;
    m_bDeviceActive = false;
    if (m_pSampleGrabber && m_pGraph) m_pGraph->SetCallback(nullptr);
    m_pSampleGrabber = false;
    m_pStreamConfig = nullptr;  // it belongs to the graph that goes now
    m_pGraph.reset();
    m_pDeviceFilter.reset();
    m_pCaptureBuilder = false;
    m_pCompanionKs.reset();
    m_pCompanionFilter.reset();
}

void CquabrelDlg::BuildBaseGraph() {
    m_pGraph = std::make_unique<FilterGraph>();
    FindDeviceFilter(&m_pCompanionFilter, kCompanionName, true);
    // The companion's node stays open while the graph lives.
    m_pCompanionKs = m_pCompanionFilter ? KsObject::Open(m_pCompanionFilter->DevicePath()) : nullptr;
    m_bGraphBuilt = true;
}

void CquabrelDlg::EnablePlaybackButtons() {
    for (int id : {1002, 1003, 1004, 1030}) GetDlgItem(id)->setEnabled(true);
}

void CquabrelDlg::DisablePlaybackButtons() {
    for (int id : {1002, 1003, 1004}) GetDlgItem(id)->setEnabled(false);
}

void CquabrelDlg::UncheckAudioDevices() {
    for (QAction* action : m_hAudioMenu->actions()) {
        const int k = action->data().toInt() - kFirstAudioDeviceId;
        if (k >= 0 && k < static_cast<int>(m_audioDeviceNames.size()) && !m_audioDeviceNames[static_cast<std::size_t>(k)].empty())
            action->setChecked(false);
    }
}

HRESULT CquabrelDlg::InsertSampleGrabber() {
    // Without the device in the graph there is no stream to configure.
    if (!m_pDeviceFilter || m_pGraph->Source() == nullptr) return E_FAIL;
    VideoFormat format;
    if (FAILED(m_pGraph->GetFormat(&format))) return E_FAIL;
    HRESULT hr = m_pGraph->SetGrabberMediaType();
    if (FAILED(hr)) {
        ShowMessageBox(this, QStringLiteral("Could not set media type"));
        return hr;
    }
    format.width = 320;
    format.height = 240;
    m_pGraph->SetFormat(format);
    hr = m_pGraph->AddGrabber();
    if (FAILED(hr)) ShowMessageBox(this, QStringLiteral("Could not put sample grabber in graph"));
    return hr;
}

void CquabrelDlg::FindStreamConfig() {
    m_pStreamConfig = m_pGraph && m_pGraph->Source() != nullptr ? m_pGraph.get() : nullptr;
    m_frameRate->setEnabled(true);
    if (m_pStreamConfig == nullptr) ShowMessageBox(this, QStringLiteral("Cannot find VCapture:IAMStreamConfig"));
}

HRESULT CquabrelDlg::ConnectGrabberCallback() {
    int32_t width = 0, height = 0;
    const HRESULT hr = m_pGraph->GetConnectedMediaType(&width, &height);
    if (FAILED(hr)) {
        ShowMessageBox(this, QStringLiteral("Could not read the connected media type"));
        return hr;
    }
    g_sampleGrabberCB.SetUp(this, width, height);
    m_pGraph->SetCallback([](uint8_t* buffer, int32_t length) { g_sampleGrabberCB.BufferCB(0, buffer, length); });
    return S_OK;
}

void CquabrelDlg::SetVideoPosition() {
    if (!m_bNoVideoWindow && m_pGraph && FAILED(m_pGraph->SetWindowPosition(m_rcVideo)))
        ShowMessageBox(this, QStringLiteral("Failed to set window position!"));
}

HRESULT CquabrelDlg::SetupVideoWindow(int skipRender) {
    // Rendering a file comes with file playback; a live stream is rendered
    // by the build itself.
    if (skipRender == 0) return E_FAIL;
    m_bNoVideoWindow = FAILED(m_pGraph->PutMessageDrain(this));
    m_pGraph->SetNotifyWindow(this, kGraphEvent);
    if (m_bNoVideoWindow) return S_OK;
    m_pGraph->PutOwner(m_videoArea);
    m_pGraph->PutVisible(false);
    SetVideoPosition();
    HRESULT hr = m_pGraph->PutVisible(true);
    if (VideoWindow* window = m_pGraph->Window()) window->raise();
    return hr;
}

void CquabrelDlg::OnSelchangeDeviceList() {
    m_stillImage = false;
    UncheckAudioDevices();
    TeardownGraph();
    DisablePlaybackButtons();
    BuildBaseGraph();
    m_pVideoProcAmp.reset();

    FindDeviceFilter(&m_pDeviceFilter, "", true);

    m_pSampleGrabber = true;
    m_pCaptureBuilder = true;

    if (!m_pDeviceFilter || FAILED(m_pGraph->AddSource(m_pDeviceFilter->Element(), "Video Capture"))) {
        if (m_pDeviceFilter) ShowMessageBox(this, QStringLiteral("Couldn't add the capture filter to the graph!"));
        m_pDeviceFilter.reset();
    }

    const HRESULT inserted = InsertSampleGrabber();
    if (FAILED(inserted) || inserted == S_FALSE) {
        ShowMessageBox(this, QStringLiteral("This driver is not supported now."));
        TeardownGraph();
        m_bShowPlaceholder = true;
        m_videoArea->update();
        update();
        m_banner->repaint();
        return;
    }

    HRESULT hr = m_pGraph->RenderStream(MediaType::kStream);
    if (FAILED(hr)) {
        hr = m_pGraph->RenderStream(MediaType::kInterleaved);
        if (hr != S_OK && hr != VFW_S_NOPREVIEWPIN) hr = m_pGraph->RenderStream(MediaType::kVideo);
        if (hr != S_OK && hr != VFW_S_NOPREVIEWPIN) {
            ShowMessageBox(this, QStringLiteral("The capture device is already in use!"));
            TeardownGraph();
            DisablePlaybackButtons();
            InitAudioEnumerator(DeviceCategory::kVideoInput, 1001);
            ShowPlaceholder();
            return;
        }
    }

    FindStreamConfig();
    if (ConnectGrabberCallback() == S_OK) {
        // The device's own picture controls, where it has them.
        m_pVideoProcAmp = VideoProcAmp::Open(m_pDeviceFilter->DevicePath());
        if (!m_pVideoProcAmp) {
            UseSoftwareBrightness();
            UseSoftwareContrast();
            UseSoftwareSaturation();
            m_frameRate->setEnabled(true);
        } else {
            struct Binding {
                long property;
                VideoProcSetting& setting;
                int slider;
                void (CquabrelDlg::*software)();
            } bindings[] = {{VideoProcAmp::kBrightness, m_brightness, 1017, &CquabrelDlg::UseSoftwareBrightness},
                            {VideoProcAmp::kContrast, m_contrast, 1018, &CquabrelDlg::UseSoftwareContrast},
                            {VideoProcAmp::kSaturation, m_saturation, 1019, &CquabrelDlg::UseSoftwareSaturation}};
            for (Binding& b : bindings) {
                long flags = 0;
                if (FAILED(m_pVideoProcAmp->GetRange(b.property, &b.setting.minimum, &b.setting.maximum, &b.setting.step,
                                                     &b.setting.defaultValue, &flags))) {
                    (this->*b.software)();
                } else {
                    b.setting.deviceHandled = true;
                    if (FAILED(m_pVideoProcAmp->Get(b.property, &b.setting.value, &flags)))
                        b.setting.value = b.setting.defaultValue;
                }
                auto* slider = Item<CMySliderControl>(b.slider);
                slider->setRange(b.setting.minimum, b.setting.maximum);
                slider->setValue(b.setting.value);
            }
        }
    }

    // Every adjustment back to its default for the new source.
    OnBnClickedBrightness();
    OnBnClickedContrast();
    OnBnClickedSaturation();
    OnBnClickedBlue();
    OnBnClickedGreen();
    Item<CMySliderControl>(1020)->setValue(0);
    m_redShift = 0;
    ApplyAdjustments();
    ApplyAdjustments();

    if (FAILED(SetupVideoWindow(1))) ShowMessageBox(this, QStringLiteral("Couldn't initialize video window! "));
    EnablePlaybackButtons();
    m_bDeviceActive = true;
    m_bShowPlaceholder = false;
    if (FAILED(m_pGraph->Run())) ShowMessageBox(this, QStringLiteral("Run returns error."), QStringLiteral("Error"));
    m_bPaused = false;
}

void CquabrelDlg::OnGraphNotify() {
    // Events are taken until none is left; what end of stream means for a
    // played file is the playback's business.
    if (!m_pGraph) return;
    long code = 0, p1 = 0, p2 = 0;
    while (SUCCEEDED(m_pGraph->GetEvent(&code, &p1, &p2))) ++m_graphEventsTaken;
}

}  // namespace quabrel
