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

// How a camera sends a size: raw frames, or each frame a JPEG picture
// (MJPEG), which many webcams use for their larger sizes and some for all.
enum class Encoding { kRaw, kJpeg };

struct OfferedSize {
    int32_t width = 0;
    int32_t height = 0;
    Encoding encoding = Encoding::kRaw;
    bool operator==(const OfferedSize&) const = default;
};

// What a camera offers, read from the caps of its source pad once it is
// open: raw video and JPEG pictures; nothing else reaches the grabber.
// Cameras list discrete sizes and rates; some give ranges, where any value
// inside is taken.
//
// The offered size nearest to width x height (the size itself where the
// camera has it), raw where the camera sends the size both ways (JPEG costs
// a decode), only of `encoding` when given; nothing when the caps hold
// neither.
std::optional<OfferedSize> NearestOfferedSize(const GstCaps* offered, int32_t width, int32_t height,
                                              std::optional<Encoding> encoding = std::nullopt);

// The rate the camera offers at width x height in `encoding` that lies
// within kRateTolerance of frameTime, the nearest such; nothing when it has
// none.
std::optional<Fraction> OfferedRate(const GstCaps* offered, int32_t width, int32_t height, int64_t frameTime,
                                    Encoding encoding = Encoding::kRaw);

}  // namespace quabrel
