#pragma once

#include "imaging/ColorTables.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace quabrel {

// How a frame's pixels lie in memory: blue, green, red, and with kBgrx a
// fourth byte that is neither read nor written.
enum class PixelLayout : uint8_t { kBgr = 3, kBgrx = 4 };

// Turns the six picture settings into lookup tables and applies them to
// frames in place.
//
// Threads: every member but ProcessFrame belongs to the interface thread.
// ProcessFrame runs on one streaming thread at a time. The interface thread
// prepares a complete frame set (tables and stages) and hands it over with
// one atomic exchange; the streaming thread picks up the newest set when a
// frame starts, so each frame sees one consistent set, and neither side ever
// waits for the other.
class CColorProcessor {
public:
    // Which stages ProcessFrame runs.
    struct Stages {
        bool applyRed = false;
        bool applyGreen = false;
        bool applyBlue = false;
        bool applyHsl = false;
        bool applyBrightness = false;
        bool applyContrast = false;
    };

    CColorProcessor();
    CColorProcessor(const CColorProcessor&) = delete;
    CColorProcessor& operator=(const CColorProcessor&) = delete;

    // --- interface thread only
    void SetAdjustments(int32_t red, int32_t green, int32_t blue, int32_t brightnessValue,
                        int32_t brightnessMaximum, int32_t brightnessMinimum, int32_t brightnessDefault,
                        bool brightnessDeviceHandled, int32_t contrastValue, int32_t contrastMaximum,
                        int32_t contrastMinimum, int32_t contrastDefault, bool contrastDeviceHandled,
                        int32_t saturationValue, int32_t saturationMaximum, int32_t saturationMinimum);
    void BuildToneTables(double gain, int32_t offset, int32_t red, int32_t green, int32_t blue);
    void SetStages(const Stages& stages) { m_stages = stages; }
    // Hands the current tables and stages to the streaming thread.
    void Publish();

    const std::array<uint8_t, 256>& ToneTable() const { return m_toneTable; }
    const std::array<uint8_t, 256>& RedTable() const { return m_redTable; }
    const std::array<uint8_t, 256>& GreenTable() const { return m_greenTable; }
    const std::array<uint8_t, 256>& BlueTable() const { return m_blueTable; }
    const Stages& GetStages() const { return m_stages; }
    int32_t SaturationIndex() const { return m_saturationIndex; }

    // --- streaming thread
    // Adjusts up to `pixelCount` whole pixels of `pixels`, never touching a
    // byte at or past `bufferLength`. Returns at once when no stage is set or
    // pixelCount is 0 or less.
    void ProcessFrame(uint8_t* pixels, int32_t pixelCount, std::size_t bufferLength, PixelLayout layout);

    // Bytes this processor can hold, the shared fixed tables not included.
    // Of its frame sets only the tables that the stages in use need are
    // ever written, so what is resident is usually far less.
    static constexpr std::size_t OwnMemoryBytes() { return sizeof(CColorProcessor) + sizeof(FrameSets); }

private:
    // Everything one frame needs, prepared on the interface thread. A table
    // is read only when its stage is on, and written only then, so the
    // tables start out unfilled.
    struct FrameSet {
        bool applyLevels = false;  // colour shifts, brightness or contrast
        bool applyHsl = false;
        // (red, blue) and (green, red) are built by the streaming thread on
        // the first 24-bit frame that needs them: 32-bit frames never do.
        bool bgrPairsBuilt = false;
        // The fixed tables, set with the saturation stage: a picture whose
        // saturation is never changed never builds them.
        const ColorTables* tables = nullptr;
        // Shift then tone, per channel.
        std::array<uint8_t, 256> blue;
        std::array<uint8_t, 256> green;
        std::array<uint8_t, 256> red;
        // The same for two neighbouring bytes at once, indexed by the
        // little-endian 16-bit word they form: pixels are blue, green, red,
        // so two pixels are the pairs (blue, green), (red, blue), (green, red);
        // with a fourth byte only (blue, green) is a pair.
        std::array<uint16_t, 1 << 16> blueGreen;
        std::array<uint16_t, 1 << 16> redBlue;
        std::array<uint16_t, 1 << 16> greenRed;
        // Ramp row of the fixed tables for saturation % and lightness %, with
        // the saturation setting already applied.
        std::array<uint32_t, ColorTables::kPercent * ColorTables::kPercent> hslRow;
    };
    using FrameSets = std::array<FrameSet, 3>;

    void FillFrameSet(FrameSet& set) const;
    static void ApplyLevels(uint8_t* pixels, std::size_t count, FrameSet& set);
    static void ApplyLevelsPadded(uint8_t* pixels, std::size_t count, const FrameSet& set);
    template <bool kLevels, std::size_t kStep>
    static void ApplyHsl(uint8_t* pixels, std::size_t count, const FrameSet& set);
    FrameSet& AcquireNewest();

    // --- interface thread only
    std::array<uint8_t, 256> m_toneTable{};
    std::array<uint8_t, 256> m_redTable{};
    std::array<uint8_t, 256> m_greenTable{};
    std::array<uint8_t, 256> m_blueTable{};
    Stages m_stages;
    int32_t m_saturationIndex = 50;

    // Triple buffer: the interface thread fills m_sets[m_back] and swaps it
    // into the shared slot; the streaming thread swaps the shared slot into
    // m_front when it holds something new.
    // The sets live on the heap, untouched until used: zero-filled in place
    // they would cost their whole size, and on a thread's stack for good.
    static constexpr uint8_t kFresh = 4;
    const std::unique_ptr<FrameSets> m_sets;
    std::atomic<uint8_t> m_shared{1};
    uint8_t m_back = 2;  // --- interface thread only
    uint8_t m_front = 0; // --- streaming thread only
};

}  // namespace quabrel
