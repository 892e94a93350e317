#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace quabrel {

// The fixed tables of the hue-lightness-saturation round trip, built once per
// process and read-only afterwards. They hold exactly the values of the
// classic formulas (quantised to whole degrees and percent) in narrow types
// and in a layout that keeps each pixel's reads close together.
struct ColorTables {
    static constexpr int kPercent = 101;  // 0..100
    static constexpr int kDegrees = 361;  // 0..360

    // Built on first use; thread-safe.
    static const ColorTables& Instance();

    ColorTables();

    // Saturation % of a pixel by its largest and smallest channel (max >= min).
    uint8_t Saturation(int max, int min) const { return saturation[(max << 8) | min]; }
    // Lightness % by the sum of the largest and smallest channel.
    uint8_t Lightness(int sum) const { return lightness[sum]; }
    // Hue in degrees from the largest channel's index c (0 red, 1 green,
    // 2 blue), delta = max - min, and the difference p - q of the other two
    // channels taken in hue order (|p - q| <= delta).
    uint16_t Hue(int c, int delta, int diff) const { return hue[(c << 16) + delta * delta + delta + diff]; }
    static std::size_t HueIndexCount() { return 3u << 16; }
    // New saturation % for saturation s and the setting k (50 = unchanged).
    uint8_t SaturationScale(int s, int k) const { return saturationScale[s * kPercent + k]; }
    // Lower and upper bound of the model for saturation s and lightness l.
    uint8_t BoundLow(int s, int l) const { return boundLow[s * kPercent + l]; }
    uint8_t BoundHigh(int s, int l) const { return boundHigh[s * kPercent + l]; }
    // A channel's value for hue h between the bounds m1 and m2 is a ramp:
    // m1 from 240 through 360 and at 0, rising to m2 over 1..59, m2 over
    // 60..179, falling back over 180..239. So each bound pair keeps only its
    // 61 ramp steps, and the hue picks the step: ramp[row(m1, m2) + step(h)].
    static constexpr int kRampSteps = 61;
    static uint32_t RampRow(int m1, int m2) { return static_cast<uint32_t>((m1 * kPercent + m2) * kRampSteps); }
    uint8_t Channel(int h, int m1, int m2) const { return ramp[RampRow(m1, m2) + rampStep[h]]; }
    // The ramp steps of the red, green and blue channel for hue h (red and
    // blue at h + 120 and h - 120), packed red | green << 8 | blue << 16.
    uint32_t HueSteps(int h) const { return hueSteps[h]; }

    std::vector<uint8_t> saturation;   // [256 * 256]
    std::array<uint8_t, 511> lightness;
    std::vector<uint16_t> hue;         // [3][delta^2 + delta + diff]
    std::array<uint8_t, kPercent * kPercent> saturationScale;
    std::array<uint8_t, kPercent * kPercent> boundLow;
    std::array<uint8_t, kPercent * kPercent> boundHigh;
    std::array<uint16_t, kDegrees> hueUp;    // hue + 120, wrapped into 0..360
    std::array<uint16_t, kDegrees> hueDown;  // hue - 120, wrapped into 0..360
    std::array<uint8_t, kDegrees> rampStep;
    std::array<uint32_t, kDegrees> hueSteps;
    std::vector<uint8_t> ramp;  // [m1][m2][step]

    std::size_t MemoryBytes() const;
};

}  // namespace quabrel
