#pragma once

// A plain, unoptimised rendering of the colour adjustment formulas: full
// 32-bit tables in their natural layout, one pixel at a time. The processor
// under test must give the same bytes.

#include <cstdint>
#include <vector>

namespace quabrel::reference {

struct Tables {
    Tables();
    int32_t pair[256][256][4];
    int32_t saturationScale[101][101];
    std::vector<int32_t> channel;  // [361][101][101]
    std::vector<int32_t> hue;      // [256][512][3]
    int32_t bounds[101][101][2];
    int32_t hueRotation[361][2];

    int32_t Channel(int h, int j, int k) const { return channel[(h * 101 + j) * 101 + k]; }
    int32_t Hue(int d, int n, int c) const { return hue[(d * 512 + n) * 3 + c]; }
};

const Tables& SharedTables();

struct Settings {
    int32_t red = 0, green = 0, blue = 0;
    int32_t brightnessValue = 0, brightnessMaximum = 100, brightnessMinimum = -100, brightnessDefault = 0;
    bool brightnessDeviceHandled = false;
    int32_t contrastValue = 0, contrastMaximum = 100, contrastMinimum = -100, contrastDefault = 0;
    bool contrastDeviceHandled = false;
    int32_t saturationValue = 50, saturationMaximum = 100, saturationMinimum = 0;
    bool stillImage = false;
};

struct Processor {
    explicit Processor(const Settings& s);
    void Process(uint8_t* pixels, int32_t pixelCount) const;

    uint8_t tone[256], red[256], green[256], blue[256];
    bool applyRed, applyGreen, applyBlue, applyHsl, applyBrightness, applyContrast;
    int32_t saturationIndex;
    const Tables& t;
};

}  // namespace quabrel::reference
