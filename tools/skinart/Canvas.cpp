#include "Canvas.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

namespace skinart {

namespace {

int Clamp255(int v) { return std::clamp(v, 0, 255); }

Color Blend(Color under, Color over, float alpha) { return Mix(under, over, alpha); }

}  // namespace

Color Mix(Color a, Color b, float t) {
    auto m = [t](int x, int y) { return Clamp255(static_cast<int>(std::lround(static_cast<float>(x) + (static_cast<float>(y - x)) * t))); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Color Lighter(Color c, int amount) { return {Clamp255(c.r + amount), Clamp255(c.g + amount), Clamp255(c.b + amount)}; }

Image::Image(int width, int height, Color fill) : w(width), h(height), px(static_cast<std::size_t>(width * height), fill) {}

Image Image::Crop(int x, int y, int width, int height) const {
    Image out(width, height);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            if (inside(x + i, y + j)) out.at(i, j) = at(x + i, y + j);
    return out;
}

void Image::Paste(const Image& src, int x, int y) {
    for (int j = 0; j < src.h; ++j)
        for (int i = 0; i < src.w; ++i)
            if (inside(x + i, y + j)) at(x + i, y + j) = src.at(i, j);
}

Sdf RoundRect(float x, float y, float w, float h, float radius) {
    const float cx = x + w / 2, cy = y + h / 2, hx = w / 2 - radius, hy = h / 2 - radius;
    return [=](float px, float py) {
        const float qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
        const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
        return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}

Sdf Circle(float cx, float cy, float radius) {
    return [=](float px, float py) { return std::hypot(px - cx, py - cy) - radius; };
}

Sdf Ring(float cx, float cy, float radius, float thickness) {
    return [=](float px, float py) { return std::fabs(std::hypot(px - cx, py - cy) - radius) - thickness / 2; };
}

Sdf Segment(float ax, float ay, float bx, float by, float halfWidth) {
    return [=](float px, float py) {
        const float dx = bx - ax, dy = by - ay, wx = px - ax, wy = py - ay;
        const float t = std::clamp((wx * dx + wy * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
        return std::hypot(wx - dx * t, wy - dy * t) - halfWidth;
    };
}

Sdf Triangle(float ax, float ay, float bx, float by, float cx, float cy) {
    // Intersection of three half-planes; exact enough inside and near edges.
    const std::array<std::array<float, 4>, 3> edges{{{ax, ay, bx, by}, {bx, by, cx, cy}, {cx, cy, ax, ay}}};
    const float orient = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax) > 0 ? 1.0f : -1.0f;
    return [=](float px, float py) {
        float d = -1e9f;
        for (const auto& e : edges) {
            const float ex = e[2] - e[0], ey = e[3] - e[1];
            const float len = std::hypot(ex, ey);
            d = std::max(d, -orient * (ex * (py - e[1]) - ey * (px - e[0])) / len);
        }
        return d;
    };
}

Sdf Union(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

Sdf Subtract(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Paint Solid(Color c) {
    return [=](int, int) { return c; };
}

Paint VerticalGradient(int top, int bottom, Color from, Color to) {
    return [=](int, int y) {
        const float t = bottom > top ? std::clamp(static_cast<float>(y - top) / static_cast<float>(bottom - top), 0.0f, 1.0f) : 0.0f;
        return Mix(from, to, t);
    };
}

void Fill(Image& img, const Sdf& shape, const Paint& paint, float opacity) {
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            const float cover = std::clamp(0.5f - shape(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f), 0.0f, 1.0f);
            if (cover <= 0) continue;
            Color& pixel = img.at(x, y);
            if (img.cut && pixel == *img.cut) {
                if (cover * opacity >= 0.5f) pixel = paint(x, y);
            } else {
                pixel = Blend(pixel, paint(x, y), cover * opacity);
            }
        }
}

void FillHard(Image& img, const Sdf& shape, const Paint& paint) {
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x)
            if (shape(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f) <= 0) img.at(x, y) = paint(x, y);
}

void FillRect(Image& img, int x, int y, int w, int h, const Paint& paint) {
    for (int j = std::max(0, y); j < std::min(img.h, y + h); ++j)
        for (int i = std::max(0, x); i < std::min(img.w, x + w); ++i) img.at(i, j) = paint(i, j);
}

void Bevel(Image& img, int x, int y, int w, int h, Color light, Color dark) {
    FillRect(img, x, y, w, 1, Solid(light));
    FillRect(img, x, y, 1, h, Solid(light));
    FillRect(img, x, y + h - 1, w, 1, Solid(dark));
    FillRect(img, x + w - 1, y, 1, h, Solid(dark));
}

namespace {

// Rows top to bottom, five columns each, most significant bit on the left.
const std::map<char, std::array<uint8_t, 7>>& Font() {
    static const std::map<char, std::array<uint8_t, 7>> font{
        {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
        {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
        {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
        {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
        {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
        {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
        {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
        {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
        {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
        {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
        {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
        {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
        {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
        {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
        {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
        {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
        {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
        {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
        {' ', {0, 0, 0, 0, 0, 0, 0}},                      {'-', {0, 0, 0, 0x1F, 0, 0, 0}},
        {'.', {0, 0, 0, 0, 0, 0x0C, 0x0C}},                {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}},
        {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}}, {':', {0, 0x0C, 0x0C, 0, 0x0C, 0x0C, 0}},
    };
    return font;
}

}  // namespace

int TextWidth(const std::string& text, int scale) {
    return text.empty() ? 0 : (static_cast<int>(text.size()) * 6 - 1) * scale;
}

void Text(Image& img, int x, int y, const std::string& text, Color c, int scale) {
    for (char ch : text) {
        const auto glyph = Font().find(ch);
        if (glyph != Font().end())
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (glyph->second[static_cast<std::size_t>(row)] & (0x10 >> col))
                        FillRect(img, x + col * scale, y + row * scale, scale, scale, Solid(c));
        x += 6 * scale;
    }
}

void TextCentered(Image& img, int x, int y, int w, int h, const std::string& text, Color c, int scale) {
    Text(img, x + (w - TextWidth(text, scale)) / 2, y + (h - 7 * scale) / 2, text, c, scale);
}

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

bool WriteBmp(const std::string& path, const Image& img, int bits) {
    std::vector<Color> palette;
    std::map<std::array<int, 3>, uint8_t> index;
    if (bits == 8) {
        for (const Color& c : img.px) {
            const std::array<int, 3> key{c.r, c.g, c.b};
            if (index.count(key)) continue;
            if (palette.size() == 256) return false;
            index[key] = static_cast<uint8_t>(palette.size());
            palette.push_back(c);
        }
    }
    const uint32_t rowBytes = ((static_cast<uint32_t>(img.w) * static_cast<uint32_t>(bits) + 31) / 32) * 4;
    const uint32_t paletteBytes = bits == 8 ? 256 * 4 : 0;
    const uint32_t offset = 14 + 40 + paletteBytes;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + rowBytes * static_cast<uint32_t>(img.h));
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(img.w));
    Put32(out, static_cast<uint32_t>(img.h));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bits));
    Put32(out, 0);
    Put32(out, rowBytes * static_cast<uint32_t>(img.h));
    Put32(out, 3780);  // 96 dpi
    Put32(out, 3780);
    Put32(out, bits == 8 ? 256 : 0);
    Put32(out, 0);
    for (std::size_t i = 0; i < paletteBytes / 4; ++i) {
        const Color c = i < palette.size() ? palette[i] : Color{};
        for (int v : {c.b, c.g, c.r, 0}) out.push_back(static_cast<uint8_t>(v));
    }
    for (int y = img.h - 1; y >= 0; --y) {
        const std::size_t start = out.size();
        for (int x = 0; x < img.w; ++x) {
            const Color& c = img.at(x, y);
            if (bits == 8)
                out.push_back(index[{c.r, c.g, c.b}]);
            else
                for (int v : {c.b, c.g, c.r}) out.push_back(static_cast<uint8_t>(v));
        }
        out.resize(start + rowBytes, 0);
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

bool WritePng(const std::string& path, const Image& img) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> rows(static_cast<std::size_t>(img.w * img.h * 3));
    for (std::size_t i = 0; i < img.px.size(); ++i) {
        rows[i * 3] = static_cast<uint8_t>(img.px[i].r);
        rows[i * 3 + 1] = static_cast<uint8_t>(img.px[i].g);
        rows[i * 3 + 2] = static_cast<uint8_t>(img.px[i].b);
    }
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_IHDR(png, info, static_cast<png_uint_32>(img.w), static_cast<png_uint_32>(img.h), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png, 9);
        png_write_info(png, info);
        for (int y = 0; y < img.h; ++y) png_write_row(png, rows.data() + static_cast<std::size_t>(y * img.w * 3));
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0 && ok;
}

}  // namespace skinart
