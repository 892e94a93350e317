#pragma once

#include "imaging/ColorProcessor.h"
#include "support/ColorReference.h"

#include <cstdint>
#include <random>
#include <vector>

namespace quabrel::testing {

// Feeds `s` to the processor the way the main window does: tables, then
// stages, then the hand-over to the streaming side.
inline void Configure(CColorProcessor& processor, const reference::Settings& s) {
    processor.SetAdjustments(s.red, s.green, s.blue, s.brightnessValue, s.brightnessMaximum, s.brightnessMinimum,
                             s.brightnessDefault, s.brightnessDeviceHandled, s.contrastValue, s.contrastMaximum,
                             s.contrastMinimum, s.contrastDefault, s.contrastDeviceHandled, s.saturationValue,
                             s.saturationMaximum, s.saturationMinimum);
    CColorProcessor::Stages stages;
    stages.applyRed = s.red != 0;
    stages.applyBlue = s.blue != 0;
    stages.applyGreen = s.green != 0;
    stages.applyBrightness = s.brightnessValue != s.brightnessDefault && !s.brightnessDeviceHandled;
    stages.applyContrast = s.contrastValue != s.contrastDefault && !s.contrastDeviceHandled;
    stages.applyHsl = s.stillImage;
    processor.SetStages(stages);
    processor.Publish();
}

inline std::vector<uint8_t> RandomFrame(std::size_t pixels, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> frame(pixels * 3);
    for (auto& byte : frame) byte = static_cast<uint8_t>(rng());
    return frame;
}

}  // namespace quabrel::testing
