#include "imaging/VideoProcSetting.h"

#include "imaging/ColorProcessor.h"

namespace quabrel {

VideoProcSetting SoftwareSetting(int32_t minimum, int32_t defaultValue) {
    return {defaultValue, defaultValue, 1, minimum, 100, false};
}

void UpdateColorProcessor(CColorProcessor& processor, const PictureSettings& s, bool stillImage) {
    processor.SetAdjustments(s.redShift, s.greenShift, s.blueShift, s.brightness.value, s.brightness.maximum,
                             s.brightness.minimum, s.brightness.defaultValue, s.brightness.deviceHandled,
                             s.contrast.value, s.contrast.maximum, s.contrast.minimum, s.contrast.defaultValue,
                             s.contrast.deviceHandled, s.saturation.value, s.saturation.maximum, s.saturation.minimum);
    CColorProcessor::Stages stages;
    stages.applyRed = s.redShift != 0;
    stages.applyBlue = s.blueShift != 0;
    stages.applyGreen = s.greenShift != 0;
    stages.applyBrightness = s.brightness.value != s.brightness.defaultValue && !s.brightness.deviceHandled;
    stages.applyContrast = s.contrast.value != s.contrast.defaultValue && !s.contrast.deviceHandled;
    stages.applyHsl = stillImage;
    processor.SetStages(stages);
    processor.Publish();
}

}  // namespace quabrel
