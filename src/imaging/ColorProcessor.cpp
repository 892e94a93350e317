#include "imaging/ColorProcessor.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace quabrel {

namespace {

// IEEE single-precision rounding, widened back.
double Single(double x) { return static_cast<double>(static_cast<float>(x)); }

// Converts toward zero like a plain cast, but a value outside [lo, hi] (or
// NaN, which reads as 0) is pinned first: device ranges are not ours to trust,
// and an out-of-range conversion would be undefined.
int32_t TruncWithin(double x, int32_t lo, int32_t hi) {
    if (std::isnan(x)) return 0;
    return static_cast<int32_t>(std::clamp(x, static_cast<double>(lo), static_cast<double>(hi)));
}

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

// A colour shift table: a positive shift moves every level v % of the way to
// 255, a negative one |v| % of the way to 0.
void BuildShiftTable(std::array<uint8_t, 256>& table, int32_t shift) {
    const double target = shift > 0 ? 255 : 0;
    const double k = static_cast<double>(std::abs(int64_t{shift})) / 100;
    for (int i = 0; i < 256; ++i) {
        const int32_t moved = i + TruncWithin((target - i) * k, -255, 255);
        table[i] = static_cast<uint8_t>(std::clamp(moved, 0, 255));
    }
}

// The table that adjusts the byte pair (low, high) of a little-endian word.
void BuildPairTable(std::array<uint16_t, 1 << 16>& pairs, const std::array<uint8_t, 256>& low,
                    const std::array<uint8_t, 256>& high) {
    for (uint32_t word = 0; word < (1u << 16); ++word)
        pairs[word] = static_cast<uint16_t>(low[word & 0xFF] | high[word >> 8] << 8);
}

}  // namespace

CColorProcessor::CColorProcessor()
    : m_sets(std::make_unique_for_overwrite<FrameSets>()) {}

void CColorProcessor::SetAdjustments(int32_t red, int32_t green, int32_t blue, int32_t brightnessValue,
                                     int32_t brightnessMaximum, int32_t brightnessMinimum,
                                     int32_t brightnessDefault, bool brightnessDeviceHandled,
                                     int32_t contrastValue, int32_t contrastMaximum, int32_t contrastMinimum,
                                     int32_t contrastDefault, bool contrastDeviceHandled, int32_t saturationValue,
                                     int32_t saturationMaximum, int32_t saturationMinimum) {
    // Differences are taken in 64 bits so that no device range can overflow them.
    const auto diff = [](int32_t a, int32_t b) { return static_cast<double>(int64_t{a} - int64_t{b}); };

    // The saturation stage indexes tables by this value, so it stays in 0..100.
    const double saturationRange = diff(saturationMaximum, saturationMinimum);
    m_saturationIndex =
        saturationRange == 0 ? 50 : TruncWithin(saturationValue / saturationRange * 100 + 0.5, 0, 100);

    int32_t offset = 0;
    if (!brightnessDeviceHandled) {
        const double above = diff(brightnessMaximum, brightnessDefault);
        const double below = diff(brightnessDefault, brightnessMinimum);
        const double change = diff(brightnessValue, brightnessDefault);
        // A side of the range with no room gives no offset rather than infinity.
        const double range = brightnessValue > brightnessDefault ? above : below;
        if (range != 0) {
            const double a = Single(change / range);
            offset = TruncWithin(std::floor(Single(a * 127)), kIntMin / 2, kIntMax / 2);
        }
    }

    double gain = 1;
    if (!contrastDeviceHandled && contrastMaximum != contrastMinimum) {
        double p = contrastValue;
        const double below = diff(contrastDefault, contrastMinimum);
        const double above = diff(contrastMaximum, contrastDefault);
        if (p < -0.9 * below) p = -TruncWithin(0.9 * below + 0.5, kIntMin + 1, kIntMax);
        if (p > 0.9 * above) p = TruncWithin(0.9 * above + 0.5, kIntMin, kIntMax);
        gain = Single((p - contrastMinimum) / diff(contrastMaximum, contrastMinimum) * 200) * 0.01;
    }

    BuildToneTables(gain, offset, red, green, blue);
}

void CColorProcessor::BuildToneTables(double gain, int32_t offset, int32_t red, int32_t green, int32_t blue) {
    for (int i = 0; i < 256; ++i) {
        const double level = std::floor(gain * static_cast<double>(int64_t{i} + offset - 127)) + 127;
        m_toneTable[i] = static_cast<uint8_t>(TruncWithin(level, 0, 255));
    }
    BuildShiftTable(m_redTable, red);
    BuildShiftTable(m_greenTable, green);
    BuildShiftTable(m_blueTable, blue);
}

void CColorProcessor::FillFrameSet(FrameSet& set) const {
    const Stages& s = m_stages;
    const bool tone = s.applyBrightness || s.applyContrast;
    set.applyLevels = tone || s.applyRed || s.applyGreen || s.applyBlue;
    set.applyHsl = s.applyHsl;
    set.bgrPairsBuilt = false;
    if (set.applyLevels) {
        for (int i = 0; i < 256; ++i) {
            const uint8_t b = s.applyBlue ? m_blueTable[i] : static_cast<uint8_t>(i);
            const uint8_t g = s.applyGreen ? m_greenTable[i] : static_cast<uint8_t>(i);
            const uint8_t r = s.applyRed ? m_redTable[i] : static_cast<uint8_t>(i);
            set.blue[i] = tone ? m_toneTable[b] : b;
            set.green[i] = tone ? m_toneTable[g] : g;
            set.red[i] = tone ? m_toneTable[r] : r;
        }
    }
    // The pair tables serve only the levels-only path; with the saturation
    // stage each pixel goes through the byte tables.
    if (set.applyLevels && !set.applyHsl) BuildPairTable(set.blueGreen, set.blue, set.green);
    if (set.applyHsl) {
        set.tables = &ColorTables::Instance();
        const ColorTables& t = *set.tables;
        constexpr int n = ColorTables::kPercent;
        for (int sat = 0; sat < n; ++sat) {
            const int scaled = t.SaturationScale(sat, m_saturationIndex);
            for (int l = 0; l < n; ++l)
                set.hslRow[sat * n + l] =
                    ColorTables::RampRow(t.BoundLow(scaled, l), t.BoundHigh(scaled, l));
        }
    }
}

void CColorProcessor::Publish() {
    FillFrameSet((*m_sets)[m_back]);
    const uint8_t previous = m_shared.exchange(static_cast<uint8_t>(m_back | kFresh), std::memory_order_acq_rel);
    m_back = previous & 3;
}

CColorProcessor::FrameSet& CColorProcessor::AcquireNewest() {
    if (m_shared.load(std::memory_order_relaxed) & kFresh) {
        const uint8_t previous = m_shared.exchange(m_front, std::memory_order_acq_rel);
        m_front = previous & 3;
    }
    return (*m_sets)[m_front];
}

static_assert(std::endian::native == std::endian::little, "pair tables are indexed by little-endian words");

void CColorProcessor::ApplyLevels(uint8_t* px, std::size_t count, FrameSet& set) {
    if (!set.bgrPairsBuilt) {
        BuildPairTable(set.redBlue, set.red, set.blue);
        BuildPairTable(set.greenRed, set.green, set.red);
        set.bgrPairsBuilt = true;
    }
    // Two pixels are three words, and one lookup adjusts two channels. Four
    // pixels at a time give the processor six independent lookups to overlap.
    const uint16_t* const bg = set.blueGreen.data();
    const uint16_t* const rb = set.redBlue.data();
    const uint16_t* const gr = set.greenRed.data();
    uint8_t* const quadsEnd = px + count / 4 * 12;
    for (; px != quadsEnd; px += 12) {
        uint64_t head;
        uint32_t tail;
        std::memcpy(&head, px, 8);
        std::memcpy(&tail, px + 8, 4);
        head = uint64_t{bg[head & 0xFFFF]} | uint64_t{rb[(head >> 16) & 0xFFFF]} << 16 |
               uint64_t{gr[(head >> 32) & 0xFFFF]} << 32 | uint64_t{bg[head >> 48]} << 48;
        tail = uint32_t{rb[tail & 0xFFFF]} | uint32_t{gr[tail >> 16]} << 16;
        std::memcpy(px, &head, 8);
        std::memcpy(px + 8, &tail, 4);
    }
    for (std::size_t rest = count % 4; rest != 0; --rest, px += 3) {
        px[0] = set.blue[px[0]];
        px[1] = set.green[px[1]];
        px[2] = set.red[px[2]];
    }
}

void CColorProcessor::ApplyLevelsPadded(uint8_t* px, std::size_t count, const FrameSet& set) {
    // A pixel is one word: (blue, green) through a pair table, red through
    // its byte table, the fourth byte as it was. Four pixels at a time give
    // the processor eight independent lookups to overlap.
    const uint16_t* const bg = set.blueGreen.data();
    const uint8_t* const red = set.red.data();
    const auto adjust = [bg, red](uint32_t w) {
        return (w & 0xFF000000u) | bg[w & 0xFFFF] | uint32_t{red[(w >> 16) & 0xFF]} << 16;
    };
    uint8_t* const quadsEnd = px + count / 4 * 16;
    for (; px != quadsEnd; px += 16) {
        uint32_t w[4];
        std::memcpy(w, px, 16);
        for (uint32_t& pixel : w) pixel = adjust(pixel);
        std::memcpy(px, w, 16);
    }
    for (std::size_t rest = count % 4; rest != 0; --rest, px += 4) {
        px[0] = set.blue[px[0]];
        px[1] = set.green[px[1]];
        px[2] = red[px[2]];
    }
}

template <bool kLevels, std::size_t kStep>
void CColorProcessor::ApplyHsl(uint8_t* px, std::size_t count, const FrameSet& set) {
    const ColorTables& t = *set.tables;
    const uint8_t* const ramp = t.ramp.data();
    for (uint8_t* end = px + count * kStep; px != end; px += kStep) {
        int b = px[0], g = px[1], r = px[2];
        if constexpr (kLevels) {
            b = set.blue[b];
            g = set.green[g];
            r = set.red[r];
        }
        // Largest channel and the hue pair; ties go to green, then blue, and
        // red wins only when strictly larger. Written as selects rather than
        // branches: on busy pictures the comparisons are a coin toss.
        const bool blueOverGreen = g < b;
        const int max1 = blueOverGreen ? b : g;
        const bool redLargest = r > max1;
        const int max = redLargest ? r : max1;
        const int min = std::min(std::min(g, b), r);
        const int c = redLargest ? 0 : blueOverGreen ? 2 : 1;
        const int diff1 = blueOverGreen ? r - g : b - r;
        const int diff = redLargest ? g - b : diff1;

        const uint32_t steps = t.HueSteps(t.Hue(c, max - min, diff));
        const uint8_t* row =
            ramp + set.hslRow[t.Saturation(max, min) * ColorTables::kPercent + t.Lightness(max + min)];
        px[0] = row[steps >> 16];
        px[1] = row[(steps >> 8) & 0xFF];
        px[2] = row[steps & 0xFF];
    }
}

void CColorProcessor::ProcessFrame(uint8_t* pixels, int32_t pixelCount, std::size_t bufferLength,
                                   PixelLayout layout) {
    FrameSet& set = AcquireNewest();
    if (pixels == nullptr || pixelCount <= 0 || (!set.applyLevels && !set.applyHsl)) return;
    const std::size_t step = static_cast<std::size_t>(layout);
    const std::size_t count = std::min(static_cast<std::size_t>(pixelCount), bufferLength / step);

    if (layout == PixelLayout::kBgrx) {
        if (!set.applyHsl) ApplyLevelsPadded(pixels, count, set);
        else if (set.applyLevels) ApplyHsl<true, 4>(pixels, count, set);
        else ApplyHsl<false, 4>(pixels, count, set);
    } else {
        if (!set.applyHsl) ApplyLevels(pixels, count, set);
        else if (set.applyLevels) ApplyHsl<true, 3>(pixels, count, set);
        else ApplyHsl<false, 3>(pixels, count, set);
    }
}

}  // namespace quabrel
