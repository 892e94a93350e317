#pragma once

#include <QRect>

#include <array>
#include <cstdint>

namespace quabrel {

// The main window's controls as data, in creation and tab order. Positions
// are in dialog units of the window's 8-point dialog font; DialogUnitsToPixels
// turns them into pixels.
enum class ControlKind { DeviceList, HiddenEdit, VideoArea, SkinButton, FrameRateCombo, SliderH, SliderV, Banner };

// Style bits the window reads back from its controls.
inline constexpr uint32_t kStyleGroup = 0x00020000;    // first control of a group
inline constexpr uint32_t kStyleCheckLike = 0x0000008B;  // button style byte that makes a toggling button

struct ControlTemplate {
    int id;
    ControlKind kind;
    QRect units;  // left, top, width, height in dialog units
    const char* text;
    bool initiallyEnabled;
    uint32_t style = 0;
};

inline constexpr QSize kDialogSizeUnits{376, 322};

inline constexpr std::array<ControlTemplate, 27> kMainDialogTemplate{{
    {1001, ControlKind::DeviceList, {217, 63, 109, 63}, "", true},
    {1002, ControlKind::SkinButton, {209, 144, 21, 11}, "", false},
    {1003, ControlKind::SkinButton, {232, 144, 29, 11}, "", false},
    {1004, ControlKind::SkinButton, {263, 144, 24, 11}, "", false},
    {1005, ControlKind::SkinButton, {173, 223, 49, 11}, "", true},
    {1006, ControlKind::SkinButton, {316, 6, 9, 10}, "X", true, kStyleCheckLike},
    {1007, ControlKind::VideoArea, {10, 7, 164, 117}, "", true},
    {1008, ControlKind::HiddenEdit, {183, 7, 26, 14}, "", true},
    {1015, ControlKind::SkinButton, {234, 223, 92, 11}, "", true},
    {1016, ControlKind::FrameRateCombo, {12, 222, 110, 72}, "", true},
    {1017, ControlKind::SliderH, {21, 155, 96, 11}, "", true},
    {1018, ControlKind::SliderH, {21, 171, 96, 11}, "", true},
    {1019, ControlKind::SliderH, {21, 187, 96, 11}, "", true},
    {1020, ControlKind::SliderV, {148, 144, 10, 56}, "", true},
    {1021, ControlKind::SliderV, {175, 144, 10, 56}, "", true},
    {1022, ControlKind::SliderV, {161, 144, 10, 56}, "", true},
    {1023, ControlKind::Banner, {14, 242, 310, 46}, "", true, kStyleGroup},
    {1026, ControlKind::SkinButton, {234, 164, 92, 11}, "", true},
    {1030, ControlKind::SkinButton, {289, 144, 29, 11}, "", true},
    {1028, ControlKind::SkinButton, {116, 157, 7, 7}, "", true},
    {1029, ControlKind::SkinButton, {117, 173, 7, 7}, "", true},
    {1032, ControlKind::SkinButton, {117, 190, 7, 7}, "", true},
    {1033, ControlKind::SkinButton, {148, 198, 7, 7}, "", true},
    {1034, ControlKind::SkinButton, {175, 198, 7, 7}, "", true},
    {1035, ControlKind::SkinButton, {162, 198, 7, 7}, "", true},
    {1037, ControlKind::SkinButton, {302, 6, 10, 10}, "", true, kStyleCheckLike},
    {1038, ControlKind::SkinButton, {273, 183, 53, 11}, "", true},
}};

// The frame-rate box's entries, in order; entry i asks for 5 * i frames per
// second, entry 0 for 30.
inline constexpr std::array<const char*, 6> kFrameRateEntries{
    "Default Frame rate", "5 f/Sec", "10 f/Sec", "15 f/Sec", "20 f/Sec", "25 f/Sec"};

// Frame time (100 ns units) that entry `index` of the frame-rate box asks for.
int64_t FrameTimeOfEntry(int index);

// Height of the frame-rate box's face; the template's height includes the
// dropped list.
inline constexpr int kComboFaceHeight = 21;

// a * b / c rounded to nearest, halves away from zero (as MulDiv rounds).
constexpr int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = p >= 0 ? (2 * p + c) / (2 * c) : -((-2 * p + c) / (2 * c));
    return static_cast<int>(q);
}

// Dialog units to pixels with the dialog font's base units 6 x 13: x * 6 / 4
// and y * 13 / 8, each coordinate of the rectangle's edges converted alone.
constexpr QRect DialogUnitsToPixels(const QRect& units) {
    const int left = MulDiv(units.x(), 6, 4);
    const int top = MulDiv(units.y(), 13, 8);
    const int right = MulDiv(units.x() + units.width(), 6, 4);
    const int bottom = MulDiv(units.y() + units.height(), 13, 8);
    return QRect(left, top, right - left, bottom - top);
}

// The template entry of control `id`, or null.
constexpr const ControlTemplate* FindControlTemplate(int id) {
    for (const ControlTemplate& c : kMainDialogTemplate)
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace quabrel
