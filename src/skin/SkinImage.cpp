#include "skin/SkinImage.h"

#include "platform/FilePaths.h"
#include "skin/PngImage.h"

#include <QFile>
#include <QImageReader>

#include <strings.h>

#include <cstring>

namespace quabrel {

namespace {

// Copies 32-bit pixels into an opaque image: the fourth byte is not part of
// what a skin shows, and Qt's opaque format wants it at 0xFF.
QImage OpaqueImage(const uint8_t* pixels, int width, int height, qsizetype stride) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(pixels + y * stride);
        auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) out[x] = in[x] | 0xFF000000u;
    }
    return image;
}

QImage ReadBmp(const std::string& path) {
    // Qt would open the file by name itself; hand it one opened safely.
    const FileDescriptor fd = OpenRegularFile(FindPathIgnoringCase(path));
    QFile file;
    if (!fd || !file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) return {};
    QImageReader reader(&file, "bmp");
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    // 24-bit files, the usual kind, come back opaque already.
    if (image.isNull() || image.format() == QImage::Format_RGB32) return image;
    image.convertTo(QImage::Format_ARGB32);  // keeps the colour channels as stored
    return OpaqueImage(image.constBits(), image.width(), image.height(), image.bytesPerLine());
}

}  // namespace

bool LoadSkinImage(const std::string& path, const std::string& type, QImage& bitmap) {
    bitmap = QImage();
    if (::strcasecmp(type.c_str(), "png") == 0) {
        PngImage png;
        if (!png.Read(path)) return false;
        bitmap = OpaqueImage(png.GetPixels(), png.GetWidth(), png.GetHeight(), qsizetype{png.GetWidth()} * 4);
        return true;
    }
    if (::strcasecmp(type.c_str(), "bmp") == 0) {
        bitmap = ReadBmp(path);
        return true;
    }
    return false;
}

}  // namespace quabrel
