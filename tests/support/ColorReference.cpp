#include "support/ColorReference.h"

#include <cmath>
#include <cstdlib>

namespace quabrel::reference {

namespace {
int Trunc(double x) { return static_cast<int>(x); }
double Single(double x) { return static_cast<double>(static_cast<float>(x)); }
}  // namespace

Tables::Tables() : channel(361 * 101 * 101), hue(256 * 512 * 3) {
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            int32_t* e = pair[a][b];
            e[0] = a - b;
            e[1] = a - b + 255;
            e[3] = Trunc(static_cast<double>(a + b) / 255 * 50 + 0.5);
            if (a <= b) {
                e[2] = 0;
            } else {
                const double s = static_cast<double>(a + b) / 255;
                const double d = static_cast<double>(a - b) / 255;
                e[2] = e[3] <= 50 ? Trunc(d / s * 100 + 0.5) : Trunc(d / (2 - s) * 100 + 0.5);
            }
        }
    for (int s = 0; s <= 100; ++s)
        for (int k = 0; k <= 100; ++k) {
            double t = static_cast<double>(k) / 100;
            t = t - 0.5;
            t = t * 2;
            t = t + 1;
            t = t * (static_cast<double>(s) / 100);
            t = t * 100;
            const int v = Trunc(t + 0.5);
            saturationScale[s][k] = v > 100 ? 100 : v;
        }
    for (int h = 0; h <= 360; ++h)
        for (int j = 0; j <= 100; ++j)
            for (int k = 0; k <= 100; ++k) {
                double x;
                if (h < 60) x = j + static_cast<double>(h * (k - j)) / 60;
                else if (h < 180) x = k;
                else if (h < 240) x = j + static_cast<double>((240 - h) * (k - j)) / 60;
                else x = j;
                const int v = Trunc(x / 100 * 255 + 0.5);
                channel[(h * 101 + j) * 101 + k] = v > 255 ? 255 : v;
            }
    for (int d = 0; d < 256; ++d)
        for (int n = 0; n < 512; ++n)
            for (int c = 0; c < 3; ++c) {
                int32_t& e = hue[(d * 512 + n) * 3 + c];
                if (d == 0) {
                    e = 359;
                    continue;
                }
                const double g = (static_cast<double>(n) / 255 - 1) / (static_cast<double>(d) / 255);
                const double v = c == 0 ? g : c == 1 ? g + 2 : g + 4;
                double h = v * 60;
                if (h < 0) h = h + 360;
                if (h > 360) h = h - 360;
                e = Trunc(h + 0.5);
            }
    for (int s = 0; s <= 100; ++s)
        for (int l = 0; l <= 100; ++l) {
            const double S = static_cast<double>(s) / 100, L = static_cast<double>(l) / 100;
            const int m2 = l <= 50 ? Trunc((S + 1) * L * 100 + 0.5) : Trunc(((L + S) - L * S) * 100 + 0.5);
            bounds[s][l][0] = Trunc((L * 2 - static_cast<double>(m2) / 100) * 100 + 0.5);
            bounds[s][l][1] = m2;
        }
    for (int h = 0; h <= 360; ++h) {
        hueRotation[h][0] = h + 120 <= 360 ? h + 120 : h - 240;
        hueRotation[h][1] = h >= 120 ? h - 120 : h + 240;
    }
}

const Tables& SharedTables() {
    static const Tables* tables = new Tables;  // 17 MB; kept for the whole test run
    return *tables;
}

Processor::Processor(const Settings& s) : t(SharedTables()) {
    saturationIndex = Trunc(static_cast<double>(s.saturationValue) /
                                static_cast<double>(s.saturationMaximum - s.saturationMinimum) * 100 +
                            0.5);
    int offset = 0;
    if (!s.brightnessDeviceHandled) {
        double a = s.brightnessValue > s.brightnessDefault
                       ? static_cast<double>(s.brightnessValue - s.brightnessDefault) /
                             static_cast<double>(s.brightnessMaximum - s.brightnessDefault)
                       : static_cast<double>(s.brightnessValue - s.brightnessDefault) /
                             static_cast<double>(s.brightnessDefault - s.brightnessMinimum);
        a = Single(a);
        offset = static_cast<int>(std::floor(Single(a * 127)));
    }
    double gain = 1;
    if (!s.contrastDeviceHandled) {
        int p = s.contrastValue;
        if (p < -0.9 * (s.contrastDefault - s.contrastMinimum))
            p = -Trunc(0.9 * (s.contrastDefault - s.contrastMinimum) + 0.5);
        if (p > 0.9 * (s.contrastMaximum - s.contrastDefault))
            p = Trunc(0.9 * (s.contrastMaximum - s.contrastDefault) + 0.5);
        gain = Single(static_cast<double>(p - s.contrastMinimum) /
                      static_cast<double>(s.contrastMaximum - s.contrastMinimum) * 200) *
               0.01;
    }
    for (int i = 0; i < 256; ++i) {
        int v = static_cast<int>(std::floor(gain * static_cast<double>(i + offset - 127))) + 127;
        tone[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    const auto shift = [](uint8_t* table, int v) {
        const int e = v > 0 ? 255 : 0;
        const double k = static_cast<double>(std::abs(v)) / 100;
        for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i + Trunc((e - i) * k));
    };
    shift(red, s.red);
    shift(green, s.green);
    shift(blue, s.blue);
    applyRed = s.red != 0;
    applyBlue = s.blue != 0;
    applyGreen = s.green != 0;
    applyBrightness = s.brightnessValue != s.brightnessDefault && !s.brightnessDeviceHandled;
    applyContrast = s.contrastValue != s.contrastDefault && !s.contrastDeviceHandled;
    applyHsl = s.stillImage;
}

void Processor::Process(uint8_t* px, int32_t pixelCount) const {
    if (!applyRed && !applyGreen && !applyBlue && !applyHsl && !applyBrightness && !applyContrast) return;
    for (int32_t i = 0; i < pixelCount; ++i, px += 3) {
        int b = px[0], g = px[1], r = px[2];
        if (applyBlue) b = blue[b];
        if (applyGreen) g = green[g];
        if (applyRed) r = red[r];
        if (applyBrightness || applyContrast) {
            r = tone[r];
            b = tone[b];
            g = tone[g];
        }
        if (applyHsl) {
            int max = g, c = 1, p = b, q = r, min = b;
            if (g < b) {
                max = b, c = 2, p = r, q = g, min = g;
            }
            if (r > max) {
                max = r, c = 0, p = g, q = b;
            } else if (r < min) {
                min = r;
            }
            const int delta = t.pair[max][min][0], S = t.pair[max][min][2], L = t.pair[max][min][3];
            const int n = t.pair[p][q][1];
            const int H = t.Hue(delta, n, c);
            const int S2 = t.saturationScale[S][saturationIndex];
            const int m1 = t.bounds[S2][L][0], m2 = t.bounds[S2][L][1];
            r = t.Channel(t.hueRotation[H][0], m1, m2);
            g = t.Channel(H, m1, m2);
            b = t.Channel(t.hueRotation[H][1], m1, m2);
        }
        px[0] = static_cast<uint8_t>(b);
        px[1] = static_cast<uint8_t>(g);
        px[2] = static_cast<uint8_t>(r);
    }
}

}  // namespace quabrel::reference
