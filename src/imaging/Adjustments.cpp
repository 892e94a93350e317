// The six adjustment sliders, their reset buttons, and turning the picture
// settings into the colour processor's tables.

#include "controls/MySliderControl.h"
#include "mainwindow/QuabrelDlg.h"

#include <QLabel>

namespace quabrel {

namespace {

void SoftwareRange(VideoProcSetting& setting, int32_t minimum, int32_t defaultValue) {
    setting = {defaultValue, defaultValue, 1, minimum, 100, false};
}

}  // namespace

void CquabrelDlg::UseSoftwareBrightness() {
    SoftwareRange(m_brightness, -100, 0);
    Item<CMySliderControl>(1017)->setRange(-100, 100);
    Item<CMySliderControl>(1017)->setValue(0);
}

void CquabrelDlg::UseSoftwareContrast() {
    SoftwareRange(m_contrast, -100, 0);
    Item<CMySliderControl>(1018)->setRange(-100, 100);
    Item<CMySliderControl>(1018)->setValue(0);
}

void CquabrelDlg::UseSoftwareSaturation() {
    SoftwareRange(m_saturation, 0, 50);
    Item<CMySliderControl>(1019)->setRange(0, 100);
    Item<CMySliderControl>(1019)->setValue(50);
}

void CquabrelDlg::UpdateColorProcessor() {
    m_colorProcessor.SetAdjustments(m_redShift, m_greenShift, m_blueShift, m_brightness.value, m_brightness.maximum,
                                    m_brightness.minimum, m_brightness.defaultValue, m_brightness.deviceHandled,
                                    m_contrast.value, m_contrast.maximum, m_contrast.minimum, m_contrast.defaultValue,
                                    m_contrast.deviceHandled, m_saturation.value, m_saturation.maximum,
                                    m_saturation.minimum);
    CColorProcessor::Stages stages;
    stages.applyRed = m_redShift != 0;
    stages.applyBlue = m_blueShift != 0;
    stages.applyGreen = m_greenShift != 0;
    stages.applyBrightness = m_brightness.value != m_brightness.defaultValue && !m_brightness.deviceHandled;
    stages.applyContrast = m_contrast.value != m_contrast.defaultValue && !m_contrast.deviceHandled;
    stages.applyHsl = m_stillImage;
    m_colorProcessor.SetStages(stages);
    // One hand-over: the next frame sees all of it or none of it.
    m_colorProcessor.Publish();
}

void CquabrelDlg::ApplyAdjustments() {
    UpdateColorProcessor();
    // A still image would be shown again here with the new settings; that
    // comes with file playback.
    m_videoArea->update();
}

// Releases: the slider's position becomes the setting; the device's own
// control follows when the device has picture controls at all.
void CquabrelDlg::ReleaseProcSetting(VideoProcSetting& setting, long property, int sliderId) {
    setting.value = Item<CMySliderControl>(sliderId)->value();
    if (m_pVideoProcAmp) m_pVideoProcAmp->Set(property, setting.value, VideoProcAmp::kFlagsManual);
    ApplyAdjustments();
}

void CquabrelDlg::OnReleasedBrightness() { ReleaseProcSetting(m_brightness, VideoProcAmp::kBrightness, 1017); }
void CquabrelDlg::OnReleasedContrast() { ReleaseProcSetting(m_contrast, VideoProcAmp::kContrast, 1018); }
void CquabrelDlg::OnReleasedSaturation() { ReleaseProcSetting(m_saturation, VideoProcAmp::kSaturation, 1019); }

void CquabrelDlg::OnReleasedRed() {
    m_redShift = Item<CMySliderControl>(1020)->value();
    ApplyAdjustments();
}

void CquabrelDlg::OnReleasedGreen() {
    m_greenShift = Item<CMySliderControl>(1021)->value();
    ApplyAdjustments();
}

void CquabrelDlg::OnReleasedBlue() {
    m_blueShift = Item<CMySliderControl>(1022)->value();
    ApplyAdjustments();
}

// Resets: the device's default where the device handles the property,
// else the software range at its neutral value.
void CquabrelDlg::ResetProcSetting(VideoProcSetting& setting, long property, int sliderId, int32_t softwareMinimum,
                                   int32_t softwareDefault) {
    auto* slider = Item<CMySliderControl>(sliderId);
    if (m_pVideoProcAmp && setting.deviceHandled) {
        slider->setValue(setting.defaultValue);
        setting.value = setting.defaultValue;
        m_pVideoProcAmp->Set(property, setting.defaultValue, VideoProcAmp::kFlagsManual);
        slider->setEnabled(true);
    } else {
        slider->setRange(softwareMinimum, 100);
        setting.value = softwareDefault;
        slider->setValue(softwareDefault);
    }
    ApplyAdjustments();
}

void CquabrelDlg::OnBnClickedBrightness() { ResetProcSetting(m_brightness, VideoProcAmp::kBrightness, 1017, -100, 0); }
void CquabrelDlg::OnBnClickedContrast() { ResetProcSetting(m_contrast, VideoProcAmp::kContrast, 1018, -100, 0); }
void CquabrelDlg::OnBnClickedSaturation() { ResetProcSetting(m_saturation, VideoProcAmp::kSaturation, 1019, 0, 50); }

void CquabrelDlg::OnBnClickedRed() {
    Item<CMySliderControl>(1020)->setValue(0);
    m_redShift = 0;
    ApplyAdjustments();
}

void CquabrelDlg::OnBnClickedGreen() {
    Item<CMySliderControl>(1021)->setValue(0);
    Item<CMySliderControl>(1021)->update();
    m_greenShift = 0;
    ApplyAdjustments();
}

void CquabrelDlg::OnBnClickedBlue() {
    Item<CMySliderControl>(1022)->setValue(0);
    Item<CMySliderControl>(1022)->update();
    m_blueShift = 0;
    ApplyAdjustments();
}

}  // namespace quabrel
