#pragma once

#include <QImage>

#include <string>

namespace quabrel {

// Loads one skin image by the skin's "Type": "png" through PngImage, "bmp"
// through Qt's BMP reader (both ignoring case). The result is a 32-bit image
// (bytes blue, green, red, 0xFF) as the window draws it; like a screen bitmap
// it shows no alpha. Any other type, or a PNG that does not decode, gives
// false with `bitmap` null. A BMP that cannot be read gives true with
// `bitmap` null: callers check the image itself.
bool LoadSkinImage(const std::string& path, const std::string& type, QImage& bitmap);

}  // namespace quabrel
