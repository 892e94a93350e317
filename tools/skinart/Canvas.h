#pragma once

// A tiny deterministic rasteriser for the program's artwork: plain integer
// and float arithmetic, no toolkit painting, so the same source gives the
// same bytes on every machine.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace skinart {

struct Color {
    int r = 0, g = 0, b = 0;
    bool operator==(const Color&) const = default;
};

Color Mix(Color a, Color b, float t);
Color Lighter(Color c, int amount);

struct Image {
    Image() = default;
    Image(int width, int height, Color fill = {});
    int w = 0, h = 0;
    std::vector<Color> px;
    // Smoothed fills never blend with this colour: a pixel of it is either
    // covered fully or left alone. A window's transparent colour needs it,
    // since a blend of it would show as a fringe around the cut outline.
    std::optional<Color> cut;
    Color& at(int x, int y) { return px[static_cast<std::size_t>(y * w + x)]; }
    const Color& at(int x, int y) const { return px[static_cast<std::size_t>(y * w + x)]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    Image Crop(int x, int y, int width, int height) const;
    void Paste(const Image& src, int x, int y);
};

// Signed distance (negative inside) of a point to a shape.
using Sdf = std::function<float(float x, float y)>;
Sdf RoundRect(float x, float y, float w, float h, float radius);
Sdf Circle(float cx, float cy, float radius);
Sdf Ring(float cx, float cy, float radius, float thickness);
Sdf Segment(float ax, float ay, float bx, float by, float halfWidth);
Sdf Triangle(float ax, float ay, float bx, float by, float cx, float cy);
Sdf Union(Sdf a, Sdf b);
Sdf Subtract(Sdf a, Sdf b);

// Shading of a filled shape, by pixel position.
using Paint = std::function<Color(int x, int y)>;
Paint Solid(Color c);
Paint VerticalGradient(int top, int bottom, Color from, Color to);

void Fill(Image& img, const Sdf& shape, const Paint& paint, float opacity = 1.0f);
// Hard-edged fill (no blending): what a window outline needs, since pixels
// blended with the transparent key colour would be neither inside nor out.
void FillHard(Image& img, const Sdf& shape, const Paint& paint);
void FillRect(Image& img, int x, int y, int w, int h, const Paint& paint);
// A 1-pixel bevel inside the rectangle: light top-left, dark bottom-right
// (raised) or the other way round (sunken).
void Bevel(Image& img, int x, int y, int w, int h, Color light, Color dark);

// 5 x 7 pixel capitals, digits and a little punctuation; `scale` repeats
// pixels. Returns the width drawn.
int TextWidth(const std::string& text, int scale = 1);
void Text(Image& img, int x, int y, const std::string& text, Color c, int scale = 1);
void TextCentered(Image& img, int x, int y, int w, int h, const std::string& text, Color c, int scale = 1);

// 24 bits per pixel, or 8 with a palette (the image must have at most 256 colours).
bool WriteBmp(const std::string& path, const Image& img, int bits = 24);
bool WritePng(const std::string& path, const Image& img);

}  // namespace skinart
