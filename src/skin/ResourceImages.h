#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace quabrel {

// Pictures built into the program, found by their resource id. Bitmaps come
// back as opaque 32-bit images like skin images do; a missing id gives a
// null image.
QImage LoadBitmapResource(int id);
QIcon LoadIconResource(int id);

// Where the pictures are looked up (":/art" unless changed): lets tests take
// a picture away.
void SetResourceDirectory(const QString& directory);

}  // namespace quabrel
