#include "imaging/FrameConversion.h"

#include <algorithm>
#include <cstring>

namespace quabrel {

namespace {

// BT.601 in 8-bit fixed point, limited range (Y 16..235, chroma 16..240),
// as webcams deliver it and as readers expect it without being told.
inline uint8_t Luma(const uint8_t* p) { return static_cast<uint8_t>(((66 * p[2] + 129 * p[1] + 25 * p[0] + 128) >> 8) + 16); }
// From the sums of `n` pixels' channels (n = 1 << shift).
inline uint8_t ChromaU(int r, int g, int b, int shift) {
    return static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + (128 << shift)) >> (8 + shift)) + 128);
}
inline uint8_t ChromaV(int r, int g, int b, int shift) {
    return static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + (128 << shift)) >> (8 + shift)) + 128);
}

// Where target pixels come from: the same pixel, or the nearest one of a
// frame of another size (16.16 fixed-point steps, no division per pixel).
class Sampler {
public:
    Sampler(const BgrxFrame& source, const OutputFrame& target)
        : m_source(source),
          m_rows(std::min<std::size_t>(static_cast<std::size_t>(source.height),
                                       source.length / (static_cast<std::size_t>(source.width) * 4))),
          m_stepX((static_cast<uint64_t>(source.width) << 16) / static_cast<uint64_t>(target.width)),
          m_stepY((static_cast<uint64_t>(source.height) << 16) / static_cast<uint64_t>(target.height)),
          m_sameSize(source.width == target.width && source.height == target.height) {}

    bool HasRows() const { return m_rows > 0; }
    // The source row behind target row `y`; null when the frame lacks it.
    const uint8_t* Row(int32_t y) const {
        const std::size_t row = m_sameSize ? static_cast<std::size_t>(y) : static_cast<std::size_t>((y * m_stepY) >> 16);
        return row < m_rows ? m_source.data + row * static_cast<std::size_t>(m_source.width) * 4 : nullptr;
    }
    const uint8_t* Pixel(const uint8_t* row, int32_t x) const {
        return row + 4 * (m_sameSize ? static_cast<std::size_t>(x) : static_cast<std::size_t>((x * m_stepX) >> 16));
    }
    bool SameSize() const { return m_sameSize; }

private:
    const BgrxFrame& m_source;
    std::size_t m_rows;
    uint64_t m_stepX, m_stepY;
    bool m_sameSize;
};

void ToBgra(const Sampler& in, const OutputFrame& out) {
    const auto width = static_cast<std::size_t>(out.width);
    for (int32_t y = 0; y < out.height; ++y) {
        const uint8_t* row = in.Row(y);
        if (row == nullptr) continue;
        uint8_t* target = out.data + static_cast<std::size_t>(y) * static_cast<std::size_t>(OutputRowBytes(out.format, out.width));
        // Readers take the fourth byte as alpha: it must say opaque.
        for (std::size_t x = 0; x < width; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, in.SameSize() ? row + 4 * x : in.Pixel(row, static_cast<int32_t>(x)), 4);
            pixel |= 0xff000000u;
            std::memcpy(target + 4 * x, &pixel, 4);
        }
    }
}

void ToYuy2(const Sampler& in, const OutputFrame& out) {
    for (int32_t y = 0; y < out.height; ++y) {
        const uint8_t* row = in.Row(y);
        if (row == nullptr) continue;
        uint8_t* target = out.data + static_cast<std::size_t>(y) * static_cast<std::size_t>(OutputRowBytes(out.format, out.width));
        for (int32_t x = 0; x < out.width; x += 2, target += 4) {
            const uint8_t* a = in.Pixel(row, x);
            const uint8_t* b = in.Pixel(row, x + 1);
            target[0] = Luma(a);
            target[1] = ChromaU(a[2] + b[2], a[1] + b[1], a[0] + b[0], 1);
            target[2] = Luma(b);
            target[3] = ChromaV(a[2] + b[2], a[1] + b[1], a[0] + b[0], 1);
        }
    }
}

void ToI420(const Sampler& in, const OutputFrame& out) {
    const auto width = static_cast<std::size_t>(out.width), height = static_cast<std::size_t>(out.height);
    uint8_t* planeY = out.data;
    uint8_t* planeU = planeY + width * height;
    uint8_t* planeV = planeU + (width / 2) * (height / 2);
    for (int32_t y = 0; y < out.height; y += 2) {
        const uint8_t* top = in.Row(y);
        const uint8_t* bottom = in.Row(y + 1);
        if (top == nullptr || bottom == nullptr) continue;
        uint8_t* lumaTop = planeY + static_cast<std::size_t>(y) * width;
        uint8_t* lumaBottom = lumaTop + width;
        const std::size_t chromaRow = static_cast<std::size_t>(y / 2) * (width / 2);
        for (int32_t x = 0; x < out.width; x += 2) {
            const uint8_t* p[4] = {in.Pixel(top, x), in.Pixel(top, x + 1), in.Pixel(bottom, x), in.Pixel(bottom, x + 1)};
            lumaTop[x] = Luma(p[0]);
            lumaTop[x + 1] = Luma(p[1]);
            lumaBottom[x] = Luma(p[2]);
            lumaBottom[x + 1] = Luma(p[3]);
            const int r = p[0][2] + p[1][2] + p[2][2] + p[3][2];
            const int g = p[0][1] + p[1][1] + p[2][1] + p[3][1];
            const int b = p[0][0] + p[1][0] + p[2][0] + p[3][0];
            planeU[chromaRow + static_cast<std::size_t>(x / 2)] = ChromaU(r, g, b, 2);
            planeV[chromaRow + static_cast<std::size_t>(x / 2)] = ChromaV(r, g, b, 2);
        }
    }
}

}  // namespace

bool ConvertFrame(const BgrxFrame& source, const OutputFrame& target) {
    if (source.data == nullptr || source.width <= 0 || source.height <= 0 || target.data == nullptr ||
        target.width < 2 || target.height < 2 || (target.width & 1) != 0 || (target.height & 1) != 0)
        return false;
    const Sampler in(source, target);
    if (!in.HasRows()) return false;
    switch (target.format) {
    case OutputFormat::kBgra: ToBgra(in, target); break;
    case OutputFormat::kYuy2: ToYuy2(in, target); break;
    case OutputFormat::kI420: ToI420(in, target); break;
    }
    return true;
}

}  // namespace quabrel
