// The six adjustment sliders and their reset buttons: each release or reset
// changes one picture setting, sends it to the camera's own control where
// the camera has controls, and hands the settings to the capture session.

#include "controls/MySliderControl.h"
#include "mainwindow/QuabrelDlg.h"

#include <QLabel>

namespace quabrel {

void CquabrelDlg::UseSoftwareRange(VideoProcSetting& setting, int sliderId, int32_t minimum, int32_t defaultValue) {
    setting = SoftwareSetting(minimum, defaultValue);
    Item<CMySliderControl>(sliderId)->setRange(minimum, 100);
    Item<CMySliderControl>(sliderId)->setValue(defaultValue);
}

void CquabrelDlg::UseSoftwareBrightness() { UseSoftwareRange(m_settings.brightness, 1017, -100, 0); }
void CquabrelDlg::UseSoftwareContrast() { UseSoftwareRange(m_settings.contrast, 1018, -100, 0); }
void CquabrelDlg::UseSoftwareSaturation() { UseSoftwareRange(m_settings.saturation, 1019, 0, 50); }

void CquabrelDlg::ApplyAdjustments() {
    m_capture.ApplyAdjustments(m_settings);
    // A still image has one frame: it passes the new tables when the graph
    // runs it again.
    m_capture.ReplayStillImage();
    m_videoArea->update();
}

// Releases: the slider's position becomes the setting; the device's own
// control follows when the device has picture controls at all.
void CquabrelDlg::ReleaseProcSetting(VideoProcSetting& setting, VideoProcAmp::Property property, int sliderId) {
    setting.value = Item<CMySliderControl>(sliderId)->value();
    m_capture.SetPictureControl(property, setting.value);
    ApplyAdjustments();
}

void CquabrelDlg::OnReleasedBrightness() { ReleaseProcSetting(m_settings.brightness, VideoProcAmp::kBrightness, 1017); }
void CquabrelDlg::OnReleasedContrast() { ReleaseProcSetting(m_settings.contrast, VideoProcAmp::kContrast, 1018); }
void CquabrelDlg::OnReleasedSaturation() { ReleaseProcSetting(m_settings.saturation, VideoProcAmp::kSaturation, 1019); }

void CquabrelDlg::OnReleasedRed() {
    m_settings.redShift = Item<CMySliderControl>(1020)->value();
    ApplyAdjustments();
}

void CquabrelDlg::OnReleasedGreen() {
    m_settings.greenShift = Item<CMySliderControl>(1021)->value();
    ApplyAdjustments();
}

void CquabrelDlg::OnReleasedBlue() {
    m_settings.blueShift = Item<CMySliderControl>(1022)->value();
    ApplyAdjustments();
}

// Resets: the device's default where the device handles the property,
// else the software range at its neutral value.
void CquabrelDlg::ResetProcSetting(VideoProcSetting& setting, VideoProcAmp::Property property, int sliderId,
                                   int32_t softwareMinimum, int32_t softwareDefault) {
    auto* slider = Item<CMySliderControl>(sliderId);
    if (m_capture.HasPictureControls() && setting.deviceHandled) {
        slider->setValue(setting.defaultValue);
        setting.value = setting.defaultValue;
        m_capture.SetPictureControl(property, setting.defaultValue);
        slider->setEnabled(true);
    } else {
        slider->setRange(softwareMinimum, 100);
        setting.value = softwareDefault;
        slider->setValue(softwareDefault);
    }
    ApplyAdjustments();
}

void CquabrelDlg::OnBnClickedBrightness() {
    ResetProcSetting(m_settings.brightness, VideoProcAmp::kBrightness, 1017, -100, 0);
}
void CquabrelDlg::OnBnClickedContrast() { ResetProcSetting(m_settings.contrast, VideoProcAmp::kContrast, 1018, -100, 0); }
void CquabrelDlg::OnBnClickedSaturation() {
    ResetProcSetting(m_settings.saturation, VideoProcAmp::kSaturation, 1019, 0, 50);
}

// The level shifts have no camera control: they always reset to 0.
void CquabrelDlg::OnBnClickedRed() {
    Item<CMySliderControl>(1020)->setValue(0);
    m_settings.redShift = 0;
    ApplyAdjustments();
}

void CquabrelDlg::OnBnClickedGreen() {
    Item<CMySliderControl>(1021)->setValue(0);
    Item<CMySliderControl>(1021)->update();
    m_settings.greenShift = 0;
    ApplyAdjustments();
}

void CquabrelDlg::OnBnClickedBlue() {
    Item<CMySliderControl>(1022)->setValue(0);
    Item<CMySliderControl>(1022)->update();
    m_settings.blueShift = 0;
    ApplyAdjustments();
}

void CquabrelDlg::ResetColourShifts() {
    OnBnClickedBlue();
    OnBnClickedGreen();
    // Red goes back without a reset of its own: slider and setting, then
    // one application for all three.
    Item<CMySliderControl>(1020)->setValue(0);
    m_settings.redShift = 0;
    ApplyAdjustments();
}

}  // namespace quabrel
