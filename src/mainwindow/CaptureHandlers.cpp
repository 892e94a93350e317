// The window's side of capture: the device list and audio menu, the live
// build's steps that belong to the screen (buttons, placeholder, sliders,
// the picture area) and the frame-rate box. The engine itself is the
// capture session.

#include "controls/BitComboBox.h"
#include "controls/Explorer1.h"
#include "controls/MyListBox.h"
#include "controls/MySliderControl.h"
#include "controls/VideoWindow.h"
#include "mainwindow/DialogTemplate.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace quabrel {

const int CquabrelDlg::kGraphEvent = QEvent::registerEventType();

void CquabrelDlg::Report(const std::string& text, const std::string& caption) {
    if (caption.empty())
        ShowMessageBox(this, QString::fromStdString(text));
    else
        ShowMessageBox(this, QString::fromStdString(text), QString::fromStdString(caption));
}

void CquabrelDlg::InitAudioEnumerator(DeviceCategory category, int target) {
    std::vector<std::string> names;
    const HRESULT hr = ListDeviceNames(category, &names);
    if (hr == E_FAIL) {
        ShowMessageBox(this, QStringLiteral("InitAudioEnumerator KO"));
        return;
    }
    if (hr != S_OK) return;  // an empty category changes nothing

    // Whatever the target, the device list starts empty.
    m_videoList->clear();
    int k = 0;
    for (const std::string& name : names) {
        if (target == kAudioMenuTarget) {
            // Ids 10 to 29 belong to audio devices; from 30 on the numbers
            // are the skins'. Devices beyond that are not offered.
            if (k >= kMaxAudioDevices) continue;
            AddCommand(*m_hAudioMenu, QString::fromStdString(name), kFirstAudioDeviceId + k)->setCheckable(true);
            m_audioDeviceNames[static_cast<std::size_t>(k)] = name;
            ++k;
        } else if (target == 1001) {
            m_videoList->addItem(QString::fromStdString(name));
        }
    }
}

std::string CquabrelDlg::SelectedDeviceName() const {
    const QListWidgetItem* selected = m_videoList->currentItem();
    return selected != nullptr && selected->isSelected() ? selected->text().toStdString() : std::string();
}

HRESULT CquabrelDlg::FindDeviceFilter(DeviceFilterPtr* filter, const std::string& name, bool isVideo) {
    std::string wanted = name;
    if (wanted.empty() && isVideo) {
        wanted = SelectedDeviceName();
        if (wanted.empty()) return -1;
    } else if (wanted.empty()) {
        wanted = m_strAudioDevice;
    }
    return m_capture.FindDevice(filter, wanted, isVideo ? DeviceCategory::kVideoInput : DeviceCategory::kAudioInput);
}

void CquabrelDlg::TeardownGraph() {
    m_capture.Teardown();
    HideVideo();
}

void CquabrelDlg::HideVideo() {
    if (m_videoWindow == nullptr) return;
    m_videoWindow->hide();
    m_videoWindow->Clear();
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

void CquabrelDlg::SetVideoPosition() {
    if (m_capture.NoVideoWindow() || m_videoWindow == nullptr) return;
    if (m_rcVideo.isEmpty()) {
        ShowMessageBox(this, QStringLiteral("Failed to set window position!"));
        return;
    }
    m_videoWindow->setGeometry(m_rcVideo);
}

HRESULT CquabrelDlg::SetupVideoWindow(int skipRender) {
    // Rendering a file comes with file playback; a live stream is rendered
    // by the build itself.
    if (skipRender == 0) return E_FAIL;
    if (m_videoWindow == nullptr) m_videoWindow = new VideoWindow(m_videoArea);
    if (!m_capture.ConnectVideo(m_videoWindow, this, kGraphEvent)) return S_OK;
    m_videoWindow->hide();
    SetVideoPosition();
    m_videoWindow->show();
    m_videoWindow->raise();
    return S_OK;
}

void CquabrelDlg::BindPictureControls() {
    struct Binding {
        VideoProcAmp::Property property;
        VideoProcSetting& setting;
        int slider;
        int32_t softwareMinimum, softwareDefault;
    } bindings[] = {{VideoProcAmp::kBrightness, m_settings.brightness, 1017, -100, 0},
                    {VideoProcAmp::kContrast, m_settings.contrast, 1018, -100, 0},
                    {VideoProcAmp::kSaturation, m_settings.saturation, 1019, 0, 50}};
    if (!m_capture.HasPictureControls()) {
        for (Binding& b : bindings) UseSoftwareRange(b.setting, b.slider, b.softwareMinimum, b.softwareDefault);
        m_frameRate->setEnabled(true);
        return;
    }
    for (Binding& b : bindings) {
        if (FAILED(m_capture.ReadPictureControl(b.property, &b.setting)))
            UseSoftwareRange(b.setting, b.slider, b.softwareMinimum, b.softwareDefault);
        auto* slider = Item<CMySliderControl>(b.slider);
        slider->setRange(b.setting.minimum, b.setting.maximum);
        slider->setValue(b.setting.value);
    }
}

void CquabrelDlg::OnSelchangeDeviceList() {
    UncheckAudioDevices();
    // The session tears its graph down first thing; the picture of the old
    // one goes with it.
    HideVideo();
    DisablePlaybackButtons();

    switch (m_capture.BuildLive(SelectedDeviceName())) {
    case CaptureSession::LiveBuild::kNotSupported:
        m_bShowPlaceholder = true;
        m_videoArea->update();
        update();
        m_banner->repaint();
        return;
    case CaptureSession::LiveBuild::kInUse:
        DisablePlaybackButtons();
        InitAudioEnumerator(DeviceCategory::kVideoInput, 1001);
        ShowPlaceholder();
        return;
    case CaptureSession::LiveBuild::kConnected:
        m_frameRate->setEnabled(true);
        BindPictureControls();
        break;
    case CaptureSession::LiveBuild::kConnectedNoFrames:
        m_frameRate->setEnabled(true);
        break;
    }

    // Every adjustment back to its default for the new source.
    OnBnClickedBrightness();
    OnBnClickedContrast();
    OnBnClickedSaturation();
    ResetColourShifts();
    ApplyAdjustments();

    if (FAILED(SetupVideoWindow(1))) ShowMessageBox(this, QStringLiteral("Couldn't initialize video window! "));
    EnablePlaybackButtons();
    m_capture.SetDeviceActive(true);
    m_bShowPlaceholder = false;
    if (FAILED(m_capture.Run())) ShowMessageBox(this, QStringLiteral("Run returns error."), QStringLiteral("Error"));
    m_capture.SetPaused(false);
}

void CquabrelDlg::OnAudioDevice(const std::string& name) {
    m_strAudioDevice = name;
    m_videoList->setCurrentRow(-1);
    HideVideo();
    DisablePlaybackButtons();
    ShowPlaceholder();
    // Built stopped: FilePlay starts it.
    if (m_capture.BuildAudio(m_strAudioDevice) == E_FAIL) return;
    EnablePlaybackButtons();
    m_videoArea->update();
}

void CquabrelDlg::OnGraphNotify() {
    const bool failedBefore = m_capture.Failed();
    m_graphEventsTaken += m_capture.TakeEvents();
    // A source that failed has no picture to show: the placeholder says so
    // instead of a frozen frame, until the user picks again.
    if (m_capture.Failed() && !failedBefore) {
        HideVideo();
        ShowPlaceholder();
        m_videoArea->update();
    }
}

// Entry i asks for 5 * i frames per second; entry 0 for 30.
int64_t FrameTimeOfEntry(int index) {
    const int32_t n = index <= 0 ? 6 : index;
    return static_cast<int64_t>(int32_t{10000000} / (5 * n));
}

void CquabrelDlg::OnSelchangeFrameRate() { m_capture.ChangeFrameRate(FrameTimeOfEntry(m_frameRate->currentIndex())); }

}  // namespace quabrel
