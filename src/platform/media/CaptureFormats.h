#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <optional>
#include <utility>

namespace quabrel {

// A frame rate as a camera states it (30/1, 30000/1001). 0/1: unset, the
// camera runs at its own.
struct Fraction {
    int num = 0;
    int den = 1;
    bool operator==(const Fraction&) const = default;
};

// Frame time, in 100 ns units, of a rate: 30/1 is 333333 (truncated, as
// the frame-rate box computes its values).
int64_t FrameTimeOf(Fraction rate);

// A frame time and a rate agree when they differ by no more than this
// share: 333333 units is 30/1 and 29.97, but never 25.
inline constexpr double kRateTolerance = 0.01;

// What a camera offers, read from the caps of its source pad once it is
// open. Only raw video counts: the grabber converts raw formats, nothing
// else. Cameras list discrete sizes and rates; some give ranges, where any
// value inside is taken.
//
// The offered size nearest to width x height (the size itself where the
// camera has it), or nothing when the caps hold no raw video.
std::optional<std::pair<int32_t, int32_t>> NearestOfferedSize(const GstCaps* offered, int32_t width, int32_t height);

// The rate the camera offers at width x height that lies within
// kRateTolerance of frameTime, the nearest such; nothing when it has none.
std::optional<Fraction> OfferedRate(const GstCaps* offered, int32_t width, int32_t height, int64_t frameTime);

}  // namespace quabrel
