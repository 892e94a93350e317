#pragma once

#include <cstddef>
#include <cstdint>

namespace quabrel {

// The pixel formats the virtual cameras hand to other programs: the ones
// browsers and video-call programs decode correctly.
enum class OutputFormat : uint8_t {
    kBgra,  // 32-bit, blue first, alpha always 255
    kYuy2,  // packed 4:2:2, Y0 U Y1 V
    kI420,  // planar 4:2:0: Y, then U, then V, each plane in tight rows
};

// A frame as one of those programs takes it: tight rows (chroma rows of
// I420 half as long), the planes one after the other. Width and height are
// even, as 4:2:2 and 4:2:0 need.
struct OutputFrame {
    uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    OutputFormat format = OutputFormat::kBgra;
};

constexpr std::size_t OutputFrameBytes(OutputFormat format, int32_t width, int32_t height) {
    const auto pixels = static_cast<std::size_t>(width > 0 ? width : 0) * static_cast<std::size_t>(height > 0 ? height : 0);
    switch (format) {
    case OutputFormat::kBgra: return pixels * 4;
    case OutputFormat::kYuy2: return pixels * 2;
    case OutputFormat::kI420: return pixels + pixels / 2;
    }
    return 0;
}

// Bytes a row of the first (or only) plane.
constexpr int32_t OutputRowBytes(OutputFormat format, int32_t width) {
    switch (format) {
    case OutputFormat::kBgra: return width * 4;
    case OutputFormat::kYuy2: return width * 2;
    case OutputFormat::kI420: return width;
    }
    return 0;
}

// Somewhere other programs take the adjusted frames from, in a buffer of
// its own. Both calls run on the streaming thread, which must never wait for
// whoever reads: without a reader, or while every buffer is taken, Begin
// says so and the frame is dropped.
class FramePublisher {
public:
    virtual ~FramePublisher() = default;
    // A free buffer to fill: its size and format are the reader's.
    virtual bool BeginFrame(OutputFrame* frame) = 0;
    // Sends the buffer Begin gave (or hands it back unsent).
    virtual void EndFrame(bool filled) = 0;
};

}  // namespace quabrel
