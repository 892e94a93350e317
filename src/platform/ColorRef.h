#pragma once

#include <QColor>

#include <cstdint>

namespace quabrel {

// A colour as skins and controls pass it around: red in the low byte, then
// green, then blue. Zero doubles as "use the system colour" where a control
// says so, which is why this is not a QColor.
using COLORREF = uint32_t;

constexpr COLORREF MakeColorRef(int red, int green, int blue) {
    return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

inline QColor ToQColor(COLORREF c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

}  // namespace quabrel
