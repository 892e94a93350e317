#pragma once

#include <cstdint>

namespace quabrel {

class CColorProcessor;

// One adjustable picture property, in the device's range when the device
// handles it and in the software range otherwise.
struct VideoProcSetting {
    int32_t value = 0;
    int32_t defaultValue = 0;
    int32_t step = 0;  // kept for the device; the adjustment does not use it
    int32_t minimum = 0;
    int32_t maximum = 0;
    bool deviceHandled = false;
};

// The six picture settings: software ranges until a source says otherwise.
struct PictureSettings {
    VideoProcSetting brightness{0, 0, 1, -100, 100, false};
    VideoProcSetting contrast{0, 0, 1, -100, 100, false};
    VideoProcSetting saturation{0, 0, 1, 0, 100, false};
    int redShift = 0;
    int greenShift = 0;
    int blueShift = 0;
};

// The software range of a property at its neutral value: -100..100 at 0 for
// brightness and contrast, 0..100 at 50 for saturation.
VideoProcSetting SoftwareSetting(int32_t minimum, int32_t defaultValue);

// Turns the settings into the processor's tables and stages, and hands them
// to the streaming thread in one step: the next frame sees all of it or
// none of it. What the device does itself is left out of the tables; a
// still image also gets the saturation stage.
void UpdateColorProcessor(CColorProcessor& processor, const PictureSettings& settings, bool stillImage);

}  // namespace quabrel
