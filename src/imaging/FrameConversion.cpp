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

// Which source rows feed the target: the same ones, or the nearest of a
// frame of another size (16.16 fixed-point steps, no division per pixel).
class Rows {
public:
    Rows(const BgrxFrame& source, const OutputFrame& target)
        : m_source(source),
          m_rows(std::min<std::size_t>(static_cast<std::size_t>(source.height),
                                       source.length / (static_cast<std::size_t>(source.width) * 4))),
          m_step((static_cast<uint64_t>(source.height) << 16) / static_cast<uint64_t>(target.height)),
          m_same(source.height == target.height) {}

    bool Any() const { return m_rows > 0; }
    // The source row behind target row `y`; null when the frame lacks it.
    const uint8_t* operator()(int32_t y) const {
        const std::size_t row = m_same ? static_cast<std::size_t>(y) : static_cast<std::size_t>((y * m_step) >> 16);
        return row < m_rows ? m_source.data + row * static_cast<std::size_t>(m_source.width) * 4 : nullptr;
    }

private:
    const BgrxFrame& m_source;
    std::size_t m_rows;
    uint64_t m_step;
    bool m_same;
};

// Where in a source row target column `x` reads. The conversions are built
// once for each: the common same-width case is plain pointer arithmetic the
// compiler can keep in registers and unroll.
struct SameColumns {
    std::size_t operator()(std::size_t x) const { return 4 * x; }
};
struct ScaledColumns {
    uint64_t step;
    std::size_t operator()(std::size_t x) const { return 4 * static_cast<std::size_t>((x * step) >> 16); }
};

template <class Columns>
void ToBgra(const Rows& rows, const Columns& column, const OutputFrame& out) {
    const auto width = static_cast<std::size_t>(out.width);
    for (int32_t y = 0; y < out.height; ++y) {
        const uint8_t* __restrict row = rows(y);
        if (row == nullptr) continue;
        uint8_t* __restrict target = out.data + static_cast<std::size_t>(y) * static_cast<std::size_t>(OutputRowBytes(out.format, out.width));
        // Readers take the fourth byte as alpha: it must say opaque.
        for (std::size_t x = 0; x < width; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, row + column(x), 4);
            pixel |= 0xff000000u;
            std::memcpy(target + 4 * x, &pixel, 4);
        }
    }
}

template <class Columns>
void ToYuy2(const Rows& rows, const Columns& column, const OutputFrame& out) {
    const auto width = static_cast<std::size_t>(out.width);
    for (int32_t y = 0; y < out.height; ++y) {
        const uint8_t* __restrict row = rows(y);
        if (row == nullptr) continue;
        uint8_t* __restrict target = out.data + static_cast<std::size_t>(y) * static_cast<std::size_t>(OutputRowBytes(out.format, out.width));
        for (std::size_t x = 0; x < width; x += 2, target += 4) {
            const uint8_t* a = row + column(x);
            const uint8_t* b = row + column(x + 1);
            const int r = a[2] + b[2], g = a[1] + b[1], bl = a[0] + b[0];
            target[0] = Luma(a);
            target[1] = ChromaU(r, g, bl, 1);
            target[2] = Luma(b);
            target[3] = ChromaV(r, g, bl, 1);
        }
    }
}

template <class Columns>
void ToI420(const Rows& rows, const Columns& column, const OutputFrame& out) {
    const auto width = static_cast<std::size_t>(out.width), height = static_cast<std::size_t>(out.height);
    uint8_t* planeY = out.data;
    uint8_t* planeU = planeY + width * height;
    uint8_t* planeV = planeU + (width / 2) * (height / 2);
    for (int32_t y = 0; y < out.height; y += 2) {
        const uint8_t* __restrict top = rows(y);
        const uint8_t* __restrict bottom = rows(y + 1);
        if (top == nullptr || bottom == nullptr) continue;
        uint8_t* __restrict lumaTop = planeY + static_cast<std::size_t>(y) * width;
        uint8_t* __restrict lumaBottom = lumaTop + width;
        uint8_t* __restrict u = planeU + static_cast<std::size_t>(y / 2) * (width / 2);
        uint8_t* __restrict v = planeV + static_cast<std::size_t>(y / 2) * (width / 2);
        // Luma row by row and chroma apart: each loop reads pixels in order
        // and writes one plane, a shape the compiler can vectorise.
        for (std::size_t x = 0; x < width; ++x) lumaTop[x] = Luma(top + column(x));
        for (std::size_t x = 0; x < width; ++x) lumaBottom[x] = Luma(bottom + column(x));
        for (std::size_t x = 0; x < width; x += 2) {
            const uint8_t* p0 = top + column(x);
            const uint8_t* p1 = top + column(x + 1);
            const uint8_t* p2 = bottom + column(x);
            const uint8_t* p3 = bottom + column(x + 1);
            const int r = p0[2] + p1[2] + p2[2] + p3[2];
            const int g = p0[1] + p1[1] + p2[1] + p3[1];
            const int b = p0[0] + p1[0] + p2[0] + p3[0];
            u[x / 2] = ChromaU(r, g, b, 2);
            v[x / 2] = ChromaV(r, g, b, 2);
        }
    }
}

template <class Columns>
void Convert(const Rows& rows, const Columns& column, const OutputFrame& target) {
    switch (target.format) {
    case OutputFormat::kBgra: ToBgra(rows, column, target); break;
    case OutputFormat::kYuy2: ToYuy2(rows, column, target); break;
    case OutputFormat::kI420: ToI420(rows, column, target); break;
    }
}

}  // namespace

bool ConvertFrame(const BgrxFrame& source, const OutputFrame& target) {
    if (source.data == nullptr || source.width <= 0 || source.height <= 0 || target.data == nullptr ||
        target.width < 2 || target.height < 2 || (target.width & 1) != 0 || (target.height & 1) != 0)
        return false;
    const Rows rows(source, target);
    if (!rows.Any()) return false;
    if (source.width == target.width)
        Convert(rows, SameColumns{}, target);
    else
        Convert(rows, ScaledColumns{(static_cast<uint64_t>(source.width) << 16) / static_cast<uint64_t>(target.width)}, target);
    return true;
}

}  // namespace quabrel
