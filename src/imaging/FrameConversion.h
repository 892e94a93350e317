#pragma once

#include "platform/FramePublisher.h"

#include <cstddef>
#include <cstdint>

namespace quabrel {

// An adjusted frame as the live path holds it: 32-bit BGRx rows of
// width * 4 bytes; `length` may fall short of the last rows.
struct BgrxFrame {
    const uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::size_t length = 0;
};

// Writes `source` into `target`, in the target's format and at its size:
// scaled (nearest pixel) when the sizes differ, converted to YUV with the
// coefficients cameras use (BT.601, limited range), chroma averaged over
// the pixels that share it. Target rows whose source rows the frame lacks
// are left as they were. False, with nothing written, for a frame without
// a whole row or a target without pixels.
bool ConvertFrame(const BgrxFrame& source, const OutputFrame& target);

// The size a virtual camera carries: the picture's, made even.
inline void EvenOutputSize(int32_t width, int32_t height, int32_t* evenWidth, int32_t* evenHeight) {
    *evenWidth = width >= 2 ? width & ~1 : 0;
    *evenHeight = height >= 2 ? height & ~1 : 0;
}

}  // namespace quabrel
