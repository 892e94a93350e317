// The capture engine: listing and finding devices, the one graph's teardown
// and base, and the live build. The steps and their messages follow one
// fixed order; each result decides the next step.

#include "capture/CaptureSession.h"

#include "imaging/FrameConversion.h"

namespace quabrel {

HRESULT ListDeviceNames(DeviceCategory category, std::vector<std::string>* names) {
    names->clear();
    std::vector<DeviceMoniker> devices;
    const HRESULT hr = CreateClassEnumerator(category, devices);
    if (hr != S_OK) return hr;
    for (const DeviceMoniker& moniker : devices) {
        std::string name = moniker.DisplayName();
        if (!name.empty() && name != kCompanionName) names->push_back(std::move(name));
    }
    return S_OK;
}

CaptureSession::CaptureSession(CaptureReporter& reporter) : m_reporter(reporter) {}

CaptureSession::~CaptureSession() {
    Teardown();
    m_pVideoProcAmp.reset();
    // The virtual cameras go with the program: their readers' streams end
    // here, not at any change of source.
    m_userCamera.reset();
    m_companion.reset();
    m_pCompanionFilter.reset();
}

HRESULT CaptureSession::FindDevice(DeviceFilterPtr* filter, const std::string& name, DeviceCategory category) {
    if (filter == nullptr) return E_POINTER;
    std::vector<DeviceMoniker> devices;
    const HRESULT hr = CreateClassEnumerator(category, devices);
    if (hr == E_FAIL) {
        Report("Couldnt create system enumerator");
        return hr;
    }
    if (hr != S_OK) {
        Report("No video capture device was detected");
        return E_FAIL;
    }
    // Every device is visited: of several with the name, the last one wins.
    DeviceFilterPtr found;
    HRESULT last = S_OK;
    for (const DeviceMoniker& moniker : devices) {
        std::string display = moniker.DisplayName();
        if (display.empty() || display != name) continue;
        found = moniker.Bind(std::move(display));
        last = found ? S_OK : E_FAIL;
        if (!found) Report("Error");
    }
    *filter = std::move(found);
    return last;
}

void CaptureSession::Teardown() {
    if (m_bGraphBuilt && m_pGraph) {
        // Stopping waits for the streaming thread: no frame is in flight
        // once it returns.
        m_pGraph->Stop();
        m_pGraph->SetNotifyWindow(nullptr, 0);
        m_pGraph->SetFrameTarget(nullptr);
    }
    m_bGraphBuilt = false;
    m_bDeviceActive = false;
    m_failed = false;
    if (m_grabberInGraph && m_pGraph) m_pGraph->SetCallback(nullptr);
    m_grabberInGraph = false;
    m_streamConfigFound = false;  // it belonged to the graph that goes now
    m_pGraph.reset();
    m_pDeviceFilter.reset();
    m_liveVideo = false;
    // The companion and the PipeWire camera stay: a reader keeps its stream
    // while the user switches sources, and only the frames pause.
}

void CaptureSession::BuildBaseGraph() {
    m_pGraph = std::make_unique<FilterGraph>();
    // Looked up until found (the module may be loaded while the program
    // runs); once bound, its node stays open until the program ends.
    if (!m_pCompanionFilter) {
        FindDevice(&m_pCompanionFilter, kCompanionName, DeviceCategory::kVideoInput);
        m_companion = m_pCompanionFilter ? CompanionDevice::Open(m_pCompanionFilter->DevicePath()) : nullptr;
    }
    m_bGraphBuilt = true;
}

HRESULT CaptureSession::InsertSampleGrabber() {
    // Without the device in the graph there is no stream to configure.
    if (!m_pDeviceFilter || m_pGraph->Source() == nullptr) return E_FAIL;
    VideoFormat format;
    if (FAILED(m_pGraph->GetFormat(&format))) return E_FAIL;
    HRESULT hr = m_pGraph->SetGrabberMediaType();
    if (FAILED(hr)) {
        Report("Could not set media type");
        return hr;
    }
    // A camera without this size runs at the nearest one it has.
    format.width = 320;
    format.height = 240;
    m_pGraph->SetFormat(format);
    hr = m_pGraph->AddGrabber();
    if (FAILED(hr)) Report("Could not put sample grabber in graph");
    return hr;
}

void CaptureSession::FindStreamConfig() {
    m_streamConfigFound = m_pGraph && m_pGraph->Source() != nullptr;
    if (!m_streamConfigFound) Report("Cannot find VCapture:IAMStreamConfig");
}

HRESULT CaptureSession::ConnectFrameCallback() {
    int32_t width = 0, height = 0;
    const HRESULT hr = m_pGraph->GetConnectedMediaType(&width, &height);
    if (FAILED(hr)) {
        Report("Could not read the connected media type");
        return hr;
    }
    // A file's graph connects twice: no frame may be in flight while the
    // callback and the outputs it borrows change.
    m_pGraph->SetCallback(nullptr);
    // The virtual cameras take the size of the first picture, known only
    // now, and keep it: later pictures are scaled to it, so a reader never
    // has to follow a change.
    if (m_outputWidth == 0 || m_outputHeight == 0) EvenOutputSize(width, height, &m_outputWidth, &m_outputHeight);
    // The same name in the user's PipeWire session, for programs that read
    // cameras from there; without a session there is simply none, and a
    // session that went away may be back by now.
    if (!m_userCamera || m_userCamera->DaemonLost()) {
        m_userCamera.reset();
        m_userCamera = PipeWireCamera::Open(kCompanionName);
    }
    if (m_userCamera && !m_userCamera->Start(m_outputWidth, m_outputHeight)) m_userCamera.reset();
    m_frameCallback.SetUp(&m_colorProcessor, width, height,
                          {.companion = m_companion.get(),
                           .companionFound = m_pCompanionFilter != nullptr,
                           .userCamera = m_userCamera.get(),
                           .width = m_outputWidth,
                           .height = m_outputHeight});
    m_pGraph->SetCallback([this](uint8_t* buffer, int32_t length) { m_frameCallback.BufferCB(0, buffer, length); });
    return S_OK;
}

CaptureSession::LiveBuild CaptureSession::BuildLive(const std::string& deviceName) {
    m_stillImage = false;
    Teardown();
    BuildBaseGraph();
    m_pVideoProcAmp.reset();

    if (!deviceName.empty()) FindDevice(&m_pDeviceFilter, deviceName, DeviceCategory::kVideoInput);
    m_grabberInGraph = true;
    m_liveVideo = true;

    if (m_pDeviceFilter && FAILED(m_pGraph->AddSource(m_pDeviceFilter->Element(), "Video Capture"))) {
        Report("Couldn't add the capture filter to the graph!");
        m_pDeviceFilter.reset();
    }

    const HRESULT inserted = InsertSampleGrabber();
    if (FAILED(inserted) || inserted == S_FALSE) {
        Report("This driver is not supported now.");
        Teardown();
        return LiveBuild::kNotSupported;
    }

    // A camera has one plain video stream to render: no multiplexed or
    // interleaved one to try first.
    const HRESULT hr = m_pGraph->RenderStream();
    if (hr != S_OK && hr != VFW_S_NOPREVIEWPIN) {
        Report("The capture device is already in use!");
        Teardown();
        return LiveBuild::kInUse;
    }

    FindStreamConfig();
    if (ConnectFrameCallback() != S_OK) return LiveBuild::kConnectedNoFrames;
    // The camera's own picture controls, where it has them.
    m_pVideoProcAmp = VideoProcAmp::Open(m_pDeviceFilter->DevicePath());
    return LiveBuild::kConnected;
}

HRESULT CaptureSession::ReadPictureControl(VideoProcAmp::Property property, VideoProcSetting* setting) const {
    if (!m_pVideoProcAmp) return E_FAIL;
    long flags = 0;
    const HRESULT hr = m_pVideoProcAmp->GetRange(property, &setting->minimum, &setting->maximum, &setting->step,
                                                 &setting->defaultValue, &flags);
    if (FAILED(hr)) return hr;
    setting->deviceHandled = true;
    if (FAILED(m_pVideoProcAmp->Get(property, &setting->value, &flags))) setting->value = setting->defaultValue;
    return S_OK;
}

void CaptureSession::SetPictureControl(VideoProcAmp::Property property, int32_t value) const {
    if (m_pVideoProcAmp) m_pVideoProcAmp->Set(property, value, VideoProcAmp::kFlagsManual);
}

void CaptureSession::ApplyAdjustments(const PictureSettings& settings) {
    UpdateColorProcessor(m_colorProcessor, settings, m_stillImage);
}

bool CaptureSession::ConnectVideo(FrameTarget* target, QObject* window, int eventType) {
    // A graph without a renderer has no picture to show.
    m_bNoVideoWindow = !m_pGraph || !m_pGraph->HasRenderer();
    if (!m_pGraph) return false;
    m_pGraph->SetNotifyWindow(window, eventType);
    if (m_bNoVideoWindow) return false;
    m_pGraph->SetFrameTarget(target);
    return true;
}

HRESULT CaptureSession::Run() { return m_pGraph ? m_pGraph->Run() : E_FAIL; }
HRESULT CaptureSession::Pause() { return m_pGraph ? m_pGraph->Pause() : E_FAIL; }
HRESULT CaptureSession::Stop() { return m_pGraph ? m_pGraph->Stop() : E_FAIL; }

void CaptureSession::ChangeFrameRate(int64_t frameTime) {
    // Only a running camera has a frame rate to change: not a file, not a
    // microphone.
    if (!m_bDeviceActive || m_bNoVideoWindow || !m_pGraph || !m_liveVideo) return;
    m_pGraph->Stop();
    VideoFormat format;
    if (m_streamConfigFound && m_pGraph->GetFormat(&format) == S_OK) {
        format.avgTimePerFrame = frameTime;
        if (m_pGraph->SetFormat(format) != S_OK) Report("Cannot set new frame rate");
    }
    m_pGraph->Run();
}

int CaptureSession::TakeEvents() {
    // Events are taken until none is left.
    if (!m_pGraph) return 0;
    int taken = 0;
    long code = 0, p1 = 0, p2 = 0;
    std::string text;
    while (SUCCEEDED(m_pGraph->GetEvent(&code, &p1, &p2, &text))) {
        ++taken;
        // A file starts over at its end, without stopping: an endless
        // loop. A still image is not decoded again and again: it passes
        // the callback anew when the settings change.
        if (code == EC_COMPLETE && m_pGraph->IsFile() && !m_stillImage && SUCCEEDED(m_pGraph->SetPositionToStart()))
            ++m_rewinds;
        // A source that fails while it plays (a camera pulled out, a file
        // broken halfway) says why, once: the graph has stopped, and a
        // frozen or black picture alone would not tell the user.
        if (code == EC_ERRORABORT && !m_failed) {
            m_failed = true;
            const char* what = m_liveVideo         ? "The capture device stopped: "
                               : m_pGraph->IsFile() ? "The file stopped playing: "
                                                    : "The audio capture device stopped: ";
            m_reporter.Report(what + text, "");
        }
    }
    return taken;
}

HRESULT CaptureSession::BuildAudio(const std::string& deviceName) {
    Teardown();
    BuildBaseGraph();
    m_pVideoProcAmp.reset();
    DeviceFilterPtr audio;
    if (FAILED(FindDevice(&audio, deviceName, DeviceCategory::kAudioInput))) {
        Report("The Audio Device is not available!  ");
        return E_FAIL;
    }
    // A device gone since the listing is found without a filter: it joins
    // nothing and renders nothing, and says so twice.
    const bool added = audio && SUCCEEDED(m_pGraph->AddSource(audio->Element(), "Video Capture"));
    if (!added) Report("The Audio Capture Device is not available!");
    HRESULT result = S_OK;
    if (!added || FAILED(m_pGraph->RenderAudio())) {
        Report("The Audio Capture Device is not available.");
        result = S_FALSE;
    } else {
        m_pGraph->SetVolume(m_muted ? kSilent : kFullVolume);
    }
    m_bDeviceActive = true;
    return result;
}

CaptureSession::FileBuild CaptureSession::BuildFile(const std::string& path, bool stillImage) {
    Teardown();
    m_stillImage = stillImage;
    BuildBaseGraph();
    m_pVideoProcAmp.reset();
    if (FAILED(m_pGraph->SetGrabberMediaType())) {
        Report("Could not set media type");
        return FileBuild::kNotRendered;
    }
    if (FAILED(m_pGraph->AddGrabber())) {
        // Its elements come from the media framework's plugins.
        Report("Could not create SampleGrabber (is qedit.dll registered?)");
        return FileBuild::kNoGrabber;
    }
    m_grabberInGraph = true;
    if (FAILED(m_pGraph->RenderFile(path))) {
        Report("FAILED...");
        return FileBuild::kNotRendered;
    }
    m_pGraph->SetVolume(m_muted ? kSilent : kFullVolume);
    return ConnectFrameCallback() == S_OK ? FileBuild::kVideo : FileBuild::kNoVideo;
}

void CaptureSession::ReplayStillImage() {
    if (!m_stillImage || !m_pGraph) return;
    m_pGraph->Stop();
    m_pGraph->Run();
}

void CaptureSession::SetMuted(bool muted) {
    m_muted = muted;
    if (m_pGraph) m_pGraph->SetVolume(muted ? kSilent : kFullVolume);
}

}  // namespace quabrel
