#include "skin/SkinImage.h"

#include "platform/FilePaths.h"
#include "skin/PngImage.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
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

// Whether an uncompressed bitmap's file ends before the rows its header
// promises. Qt hands back the rows such a file lacks with whatever their
// memory held before, so the picture would show stale memory. Run-length
// files are not checked: Qt fills what they lack with the first colour.
bool CutShort(QFile& file) {
    const QByteArray header = file.peek(34);
    if (header.size() < 26) return false;  // Qt refuses it anyway
    const auto u16 = [&header](int at) { return uint32_t{qFromLittleEndian<quint16>(header.constData() + at)}; };
    const auto u32 = [&header](int at) { return qFromLittleEndian<quint32>(header.constData() + at); };
    const uint32_t dataOffset = u32(10), infoSize = u32(14);
    uint64_t width = 0, height = 0;
    uint32_t bits = 0, compression = 0;
    if (infoSize == 12) {  // the oldest header, 16-bit sizes and no compression
        width = u16(18), height = u16(20), bits = u16(24);
    } else {
        if (header.size() < 30) return false;
        width = uint64_t(std::llabs(int32_t(u32(18)))), height = uint64_t(std::llabs(int32_t(u32(22))));
        bits = u16(28);
        if (infoSize >= 20 && header.size() >= 34) compression = u32(30);
    }
    constexpr uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields) return false;
    const uint64_t stride = (width * bits + 31) / 32 * 4;
    if (stride == 0 || height == 0) return false;  // no rows to miss
    const uint64_t rowsStart = std::max<uint64_t>(dataOffset, 14 + uint64_t{infoSize});
    const uint64_t size = uint64_t(file.size());
    return size < rowsStart || (size - rowsStart) / stride < height;
}

QImage ReadBmp(const std::string& path) {
    // Qt would open the file by name itself; hand it one opened safely.
    const FileDescriptor fd = OpenRegularFile(FindPathIgnoringCase(path));
    QFile file;
    if (!fd || !file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) return {};
    // Refused like a cut-short PNG: as if unreadable.
    if (CutShort(file)) return {};
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
