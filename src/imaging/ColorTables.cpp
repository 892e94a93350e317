#include "imaging/ColorTables.h"

#include <algorithm>
#include <cmath>

namespace quabrel {

namespace {

// Conversion to integer toward zero, as the formulas are written.
int Trunc(double x) { return static_cast<int>(x); }

uint8_t LightnessOf(int sum) { return static_cast<uint8_t>(Trunc(sum / 255.0 * 50 + 0.5)); }

uint8_t SaturationOf(int a, int b) {
    if (a <= b) return 0;
    const double s = (a + b) / 255.0;
    const double d = (a - b) / 255.0;
    const int l = LightnessOf(a + b);
    return static_cast<uint8_t>(l <= 50 ? Trunc(d / s * 100 + 0.5) : Trunc(d / (2 - s) * 100 + 0.5));
}

uint16_t HueOf(int delta, int n, int c) {
    if (delta == 0) return 359;
    const double g = (n / 255.0 - 1) / (delta / 255.0);
    const double v = c == 0 ? g : c == 1 ? g + 2 : g + 4;
    double h = v * 60;
    if (h < 0) h = h + 360;
    if (h > 360) h = h - 360;
    return static_cast<uint16_t>(Trunc(h + 0.5));
}

uint8_t ScaledSaturation(int s, int k) {
    double t = k / 100.0;
    t = t - 0.5;
    t = t * 2;
    t = t + 1;
    t = t * (s / 100.0);
    t = t * 100;
    return static_cast<uint8_t>(std::min(Trunc(t + 0.5), 100));
}

// Channel value on a ramp between the bounds j and k, t sixtieths of the way.
uint8_t RampChannel(int j, int k, int t) {
    const double x = t * (k - j) / 60.0 + j;
    return static_cast<uint8_t>(std::min(Trunc(x / 100 * 255 + 0.5), 255));
}

}  // namespace

const ColorTables& ColorTables::Instance() {
    static const ColorTables tables;
    return tables;
}

ColorTables::ColorTables()
    : saturation(256 * 256), hue(HueIndexCount()), ramp(std::size_t{kPercent} * kPercent * kRampSteps) {
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b <= a; ++b) saturation[(a << 8) | b] = SaturationOf(a, b);

    for (int sum = 0; sum < 511; ++sum) lightness[sum] = LightnessOf(sum);

    for (int s = 0; s < kPercent; ++s)
        for (int k = 0; k < kPercent; ++k) saturationScale[s * kPercent + k] = ScaledSaturation(s, k);

    // Step 0 is exactly m1 and step 60 exactly m2 (60 * (k - j) / 60 is exact),
    // so the flat parts of the hue circle share the ramp's end values.
    for (int j = 0; j < kPercent; ++j)
        for (int k = 0; k < kPercent; ++k)
            for (int t = 0; t < kRampSteps; ++t) ramp[RampRow(j, k) + t] = RampChannel(j, k, t);

    for (int c = 0; c < 3; ++c)
        for (int delta = 0; delta < 256; ++delta)
            for (int diff = -delta; diff <= delta; ++diff)
                hue[(c << 16) + delta * delta + delta + diff] = HueOf(delta, diff + 255, c);

    for (int s = 0; s < kPercent; ++s) {
        for (int l = 0; l < kPercent; ++l) {
            const double sf = s / 100.0;
            const double lf = l / 100.0;
            const int m2 = l <= 50 ? Trunc((sf + 1) * lf * 100 + 0.5) : Trunc(((lf + sf) - lf * sf) * 100 + 0.5);
            const int m1 = Trunc((lf * 2 - m2 / 100.0) * 100 + 0.5);
            boundLow[s * kPercent + l] = static_cast<uint8_t>(m1);
            boundHigh[s * kPercent + l] = static_cast<uint8_t>(m2);
        }
    }

    for (int h = 0; h < kDegrees; ++h) {
        hueUp[h] = static_cast<uint16_t>(h + 120 <= 360 ? h + 120 : h - 240);
        hueDown[h] = static_cast<uint16_t>(h >= 120 ? h - 120 : h + 240);
        rampStep[h] = static_cast<uint8_t>(h < 60 ? h : h < 180 ? 60 : h < 240 ? 240 - h : 0);
    }
    for (int h = 0; h < kDegrees; ++h)
        hueSteps[h] = rampStep[hueUp[h]] | uint32_t{rampStep[h]} << 8 | uint32_t{rampStep[hueDown[h]]} << 16;
}

std::size_t ColorTables::MemoryBytes() const {
    return sizeof(*this) + saturation.size() + hue.size() * sizeof(uint16_t) + ramp.size();
}

}  // namespace quabrel
