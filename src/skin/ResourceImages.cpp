#include "skin/ResourceImages.h"

#include <QDir>
#include <QImageReader>

#include <map>

namespace quabrel {

namespace {

QString& Directory() {
    static QString directory = QStringLiteral(":/art");
    return directory;
}

// Painting asks for the same few small pictures over and over; decode each
// once. Only the interface thread uses this.
std::map<int, QImage>& Cache() {
    static std::map<int, QImage> cache;
    return cache;
}

}  // namespace

QImage LoadBitmapResource(int id) {
    auto found = Cache().find(id);
    if (found != Cache().end()) return found->second;
    QImageReader reader(Directory() + QStringLiteral("/%1.bmp").arg(id), "bmp");
    QImage image = reader.read();
    if (!image.isNull()) image = image.convertToFormat(QImage::Format_RGB32);
    Cache().emplace(id, image);
    return image;
}

QIcon LoadIconResource(int id) {
    QIcon icon;
    const QDir dir(Directory());
    for (const QString& name : dir.entryList({QStringLiteral("icon%1-*.png").arg(id)}, QDir::Files))
        icon.addFile(dir.filePath(name));
    return icon;
}

void SetResourceDirectory(const QString& directory) {
    Directory() = directory;
    Cache().clear();
}

}  // namespace quabrel
