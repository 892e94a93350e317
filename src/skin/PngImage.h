#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quabrel {

// True when the file's first 8 bytes are the PNG signature.
bool IsPngFile(const std::string& path);

// Decodes a PNG file into 32-bit pixels: rows top to bottom without gaps,
// each pixel blue, green, red and a fourth byte that carries the alpha
// sample of images with alpha and is 0 otherwise.
class PngImage {
public:
    // Images past these limits are refused before anything is allocated, so a
    // forged header cannot take the program's memory.
    static constexpr uint32_t kMaxSide = 16384;
    static constexpr uint64_t kMaxPixels = uint64_t{1} << 26;

    PngImage() = default;
    virtual ~PngImage() = default;
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;

    bool Read(const std::string& path);

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    const uint8_t* GetPixels() const { return m_pPixels.get(); }
    bool IsLoaded() const { return m_bLoaded != 0; }

private:
    int m_bLoaded = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::unique_ptr<uint8_t[]> m_pPixels;
};

}  // namespace quabrel
