#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quabrel::testing {

// Writes test PNGs with libpng. Samples are given one per element (already
// within the bit depth's range) and packed here.
struct PngSpec {
    int width = 1;
    int height = 1;
    int colorType = PNG_COLOR_TYPE_GRAY;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint16_t> samples;         // width * height * channels
    std::vector<png_color> palette;        // palette images
    std::vector<png_byte> paletteAlpha;    // tRNS for palette images
    bool greyOrRgbTransparent = false;     // tRNS for grey/RGB images
    png_color_16 transparentColour{};
};

inline int Channels(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;  // palette index
    }
}

inline bool WritePng(const std::string& path, const PngSpec& spec) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const int channels = Channels(spec.colorType);
    const std::size_t rowBytes = (std::size_t(spec.width) * channels * spec.bitDepth + 7) / 8;
    std::vector<png_byte> data(rowBytes * spec.height, 0);
    for (int y = 0; y < spec.height; ++y) {
        png_byte* row = data.data() + y * rowBytes;
        for (int i = 0; i < spec.width * channels; ++i) {
            const uint16_t v = spec.samples[std::size_t(y) * spec.width * channels + i];
            if (spec.bitDepth == 16) {
                row[2 * i] = png_byte(v >> 8);
                row[2 * i + 1] = png_byte(v);
            } else if (spec.bitDepth == 8) {
                row[i] = png_byte(v);
            } else {
                const int perByte = 8 / spec.bitDepth;
                const int shift = 8 - spec.bitDepth * (i % perByte + 1);
                row[i / perByte] = png_byte(row[i / perByte] | (v << shift));
            }
        }
    }
    std::vector<png_bytep> rows(spec.height);
    for (int y = 0; y < spec.height; ++y) rows[y] = data.data() + y * rowBytes;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty())
        png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
    if (!spec.paletteAlpha.empty())
        png_set_tRNS(png, info, spec.paletteAlpha.data(), static_cast<int>(spec.paletteAlpha.size()), nullptr);
    if (spec.greyOrRgbTransparent) png_set_tRNS(png, info, nullptr, 0, &spec.transparentColour);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return true;
}

}  // namespace quabrel::testing
