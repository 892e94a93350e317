// Draws every picture the program ships: the built-in skin's bitmaps, the
// icon and video-area pictures, and the two sample skins with their skin
// files. Deterministic: run it again and the bytes are the same.
//
//   skinart <source root>     (writes resources/art/ and skins/)

#include "Canvas.h"

#include "controls/ListMetrics.h"
#include "mainwindow/DialogTemplate.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

using namespace skinart;
namespace fs = std::filesystem;

namespace {

constexpr Color kKey{167, 79, 255};  // outside the window and the button masks

struct Rect {
    int x, y, w, h;
};

Rect ControlRect(int id) {
    const QRect r = quabrel::DialogUnitsToPixels(quabrel::FindControlTemplate(id)->units);
    return {r.x(), r.y(), r.width(), r.height()};
}

struct Theme {
    Color bodyTop, bodyBottom, rim, sheen;
    Color panel, panelLight, panelDark;
    Color title, label;
    Color face[4][2];   // normal, over, down, disabled: top and bottom of the button fill
    Color ink[4];       // glyph colour per state
    Color edge;         // button outline
    Color focus;        // focus ring
    Color listTop, listBottom, listLine;
    float radius;       // window corners
    float buttonRadius;
};

enum State { kNormal, kOver, kDown, kDisabled, kFocus };

// ---------------------------------------------------------------- glyphs

using Glyph = std::function<void(Image&, Rect, Color)>;

Glyph Label(std::string text) {
    return [text](Image& img, Rect b, Color c) { TextCentered(img, b.x, b.y, b.w, b.h, text, c); };
}

Glyph PlayGlyph() {
    return [](Image& img, Rect b, Color c) {
        const float cx = static_cast<float>(b.x) + static_cast<float>(b.w) / 2, cy = static_cast<float>(b.y) + static_cast<float>(b.h) / 2;
        Fill(img, Triangle(cx - 3.5f, cy - 5, cx + 5, cy, cx - 3.5f, cy + 5), Solid(c));
    };
}

Glyph PauseGlyph() {
    return [](Image& img, Rect b, Color c) {
        const float cx = static_cast<float>(b.x) + static_cast<float>(b.w) / 2, cy = static_cast<float>(b.y) + static_cast<float>(b.h) / 2;
        Fill(img, RoundRect(cx - 5, cy - 5, 3.5f, 10, 0.8f), Solid(c));
        Fill(img, RoundRect(cx + 1.5f, cy - 5, 3.5f, 10, 0.8f), Solid(c));
    };
}

Glyph StopGlyph() {
    return [](Image& img, Rect b, Color c) {
        const float cx = static_cast<float>(b.x) + static_cast<float>(b.w) / 2, cy = static_cast<float>(b.y) + static_cast<float>(b.h) / 2;
        Fill(img, RoundRect(cx - 4.5f, cy - 4.5f, 9, 9, 1.2f), Solid(c));
    };
}

Glyph SpeakerGlyph(bool muted) {
    return [muted](Image& img, Rect b, Color c) {
        const float cx = static_cast<float>(b.x) + static_cast<float>(b.w) / 2 - 3, cy = static_cast<float>(b.y) + static_cast<float>(b.h) / 2;
        Fill(img, RoundRect(cx - 5, cy - 2.5f, 3.5f, 5, 0.5f), Solid(c));
        Fill(img, Triangle(cx - 2.5f, cy - 2.5f, cx + 2, cy - 6, cx + 2, cy + 6), Solid(c));
        Fill(img, Triangle(cx - 2.5f, cy - 2.5f, cx + 2, cy + 6, cx - 2.5f, cy + 2.5f), Solid(c));
        if (muted) {
            Fill(img, Segment(cx + 4.5f, cy - 3, cx + 10, cy + 3, 0.9f), Solid(c));
            Fill(img, Segment(cx + 4.5f, cy + 3, cx + 10, cy - 3, 0.9f), Solid(c));
        } else {
            Fill(img, Subtract(Ring(cx + 2, cy, 4.5f, 1.5f), RoundRect(cx - 8, cy - 8, 10, 16, 0)), Solid(c));
            Fill(img, Subtract(Ring(cx + 2, cy, 8, 1.5f), RoundRect(cx - 8, cy - 10, 10.5f, 20, 0)), Solid(c));
        }
    };
}

Glyph CrossGlyph() {
    return [](Image& img, Rect b, Color c) {
        const float cx = static_cast<float>(b.x) + static_cast<float>(b.w) / 2, cy = static_cast<float>(b.y) + static_cast<float>(b.h) / 2;
        Fill(img, Segment(cx - 3, cy - 3, cx + 3, cy + 3, 0.9f), Solid(c));
        Fill(img, Segment(cx - 3, cy + 3, cx + 3, cy - 3, 0.9f), Solid(c));
    };
}

Glyph MinimizeGlyph() {
    return [](Image& img, Rect b, Color c) {
        const float cx = static_cast<float>(b.x) + static_cast<float>(b.w) / 2, cy = static_cast<float>(b.y) + static_cast<float>(b.h) / 2;
        Fill(img, Segment(cx - 3, cy + 2.5f, cx + 3, cy + 2.5f, 0.9f), Solid(c));
    };
}

Glyph ResetGlyph() {
    return [](Image& img, Rect b, Color c) {
        const float cx = static_cast<float>(b.x) + static_cast<float>(b.w) / 2, cy = static_cast<float>(b.y) + static_cast<float>(b.h) / 2;
        Fill(img, Circle(cx, cy, 1.6f), Solid(c));
    };
}

Glyph WithIcon(Glyph icon, std::string text) {
    return [icon, text](Image& img, Rect b, Color c) {
        icon(img, {b.x + 2, b.y, 16, b.h}, c);
        TextCentered(img, b.x + 16, b.y, b.w - 16, b.h, text, c);
    };
}

// ---------------------------------------------------------------- buttons

// One state picture of a button: the background behind the control, then
// the button drawn inside `visible` (the part of the picture the control
// shows), then its glyph.
Image ButtonPicture(const Theme& t, const Image& background, Rect control, int width, int height, State state,
                    const Glyph& glyph, bool round = false) {
    Image img = background.Crop(control.x, control.y, width, height);
    const int vw = std::min(width, control.w), vh = std::min(height, control.h);
    const float fw = static_cast<float>(vw), fh = static_cast<float>(vh);
    const int s = state == kFocus ? kNormal : state;
    const float radius = round ? std::min(fw, fh) / 2 : std::min(t.buttonRadius, std::min(fw, fh) / 2);
    Fill(img, RoundRect(0, 0, fw, fh, radius), Solid(t.edge));
    Fill(img, RoundRect(1, 1, fw - 2, fh - 2, std::max(radius - 1, 0.0f)), VerticalGradient(1, vh - 1, t.face[s][0], t.face[s][1]));
    if (state != kDown && state != kDisabled && vh > 6)
        Fill(img, RoundRect(2, 1, fw - 4, 1, 0), Solid(Lighter(t.face[s][0], 28)), 0.6f);
    if (state == kFocus) Fill(img, Subtract(RoundRect(1, 1, fw - 2, fh - 2, std::max(radius - 1, 0.0f)), RoundRect(2.5f, 2.5f, fw - 5, fh - 5, std::max(radius - 2.5f, 0.0f))), Solid(t.focus));
    const int shift = state == kDown ? 1 : 0;
    glyph(img, {shift, shift, vw, vh}, t.ink[s]);
    return img;
}

// The mask of a button: key colour outside its shape, black inside.
Image ButtonMask(Rect control, bool round, float buttonRadius) {
    Image img(control.w, control.h, kKey);
    const float fw = static_cast<float>(control.w), fh = static_cast<float>(control.h);
    const float radius = round ? std::min(fw, fh) / 2 : std::min(buttonRadius, std::min(fw, fh) / 2);
    // A little larger than the drawn edge so its smoothed pixels stay inside.
    const Sdf shape = RoundRect(0, 0, fw, fh, radius);
    FillHard(img, [shape](float x, float y) { return shape(x, y) - 0.45f; }, Solid({0, 0, 0}));
    return img;
}

// ---------------------------------------------------------------- background

struct Outline {
    int width, height;
    Sdf shape;
};

void Panel(Image& img, const Theme& t, Rect r, int pad, float radius) {
    Fill(img, RoundRect(static_cast<float>(r.x - pad), static_cast<float>(r.y - pad), static_cast<float>(r.w + 2 * pad),
                        static_cast<float>(r.h + 2 * pad), radius),
         Solid(t.panelLight));
    Fill(img, RoundRect(static_cast<float>(r.x - pad), static_cast<float>(r.y - pad), static_cast<float>(r.w + 2 * pad),
                        static_cast<float>(r.h + 2 * pad - 1), radius),
         Solid(t.panelDark));
    Fill(img, RoundRect(static_cast<float>(r.x - pad + 1), static_cast<float>(r.y - pad + 1), static_cast<float>(r.w + 2 * pad - 2),
                        static_cast<float>(r.h + 2 * pad - 2), std::max(radius - 1, 0.0f)),
         Solid(t.panel));
}

Image Background(const Theme& t, const Outline& o, const std::string& subtitle) {
    Image img(o.width, o.height, kKey);
    img.cut = kKey;
    FillHard(img, o.shape, Solid(t.rim));
    const Sdf inner = [s = o.shape](float x, float y) { return s(x, y) + 1.5f; };
    FillHard(img, inner, VerticalGradient(0, o.height, t.bodyTop, t.bodyBottom));
    const Sdf sheen = [s = o.shape](float x, float y) { return std::fabs(s(x, y) + 2.5f) - 0.5f; };
    Fill(img, [sheen](float x, float y) { return y < 40 ? sheen(x, y) : 1e9f; }, Solid(t.sheen), 0.5f);

    // Title beside the video, small print under it.
    Text(img, 276, 14, "QUABREL", t.title, 2);
    Text(img, 277, 34, subtitle, t.label);

    const Rect video = ControlRect(1007);
    Panel(img, t, video, 4, 6);

    const Rect list = ControlRect(1001);
    Text(img, list.x, list.y - 12, "CAMERAS", t.label);
    Panel(img, t, list, 3, 4);

    const Rect play = ControlRect(1002), sound = ControlRect(1030);
    Panel(img, t, {play.x, play.y, sound.x + sound.w - play.x, play.h}, 3, 6);
    Text(img, play.x, play.y - 12, "PLAYBACK", t.label);

    const char* sliderNames[] = {"BRIGHTNESS", "CONTRAST", "SATURATION"};
    for (int i = 0; i < 3; ++i) {
        const Rect s = ControlRect(1017 + i);
        Text(img, s.x + 4, s.y - 8, sliderNames[i], t.label);
    }
    const struct { int id; const char* name; } channels[] = {{1020, "R"}, {1022, "B"}, {1021, "G"}};
    for (const auto& c : channels) {
        const Rect s = ControlRect(c.id);
        Text(img, s.x + (s.w - 5) / 2, s.y - 10, c.name, t.label);
    }
    const Rect combo = ControlRect(1016);
    Text(img, combo.x, combo.y - 11, "FRAME RATE", t.label);
    const Rect open = ControlRect(1005);
    Text(img, open.x, open.y - 11, "MEDIA", t.label);

    const Rect banner = ControlRect(1023);
    Panel(img, t, banner, 3, 5);
    return img;
}

// ---------------------------------------------------------------- output

struct Writer {
    fs::path root;
    int files = 0;
    void Bmp(const fs::path& rel, const Image& img, int bits = 24) { Check(WriteBmp((root / rel).string(), img, bits), rel); }
    void Png(const fs::path& rel, const Image& img) { Check(WritePng((root / rel).string(), img), rel); }
    void TextFile(const fs::path& rel, const std::string& text) {
        std::ofstream out(root / rel, std::ios::binary);
        out << text;
        Check(static_cast<bool>(out), rel);
    }
    void Check(bool ok, const fs::path& rel) {
        if (!ok) {
            std::fprintf(stderr, "skinart: cannot write %s\n", (root / rel).c_str());
            std::exit(1);
        }
        ++files;
    }
};

// ---------------------------------------------------------------- built-in skin

const Theme kSteel{
    {46, 54, 66}, {28, 33, 41}, {12, 14, 18}, {120, 140, 160},
    {16, 19, 24}, {70, 80, 94}, {8, 10, 13},
    {126, 208, 230}, {132, 146, 160},
    {{{78, 94, 110}, {58, 71, 85}}, {{96, 142, 164}, {70, 110, 130}}, {{30, 37, 45}, {40, 48, 58}}, {{48, 54, 62}, {44, 50, 57}}},
    {{230, 236, 242}, {255, 255, 255}, {126, 208, 230}, {100, 108, 118}},
    {14, 17, 22}, {126, 208, 230},
    {215, 222, 230}, {190, 200, 211}, {176, 187, 199},
    16, 4};

void BuiltInSkin(Writer& w) {
    const Outline outline{513, 543, RoundRect(3, 3, 507, 537, 18)};
    const Image bg = Background(kSteel, outline, "WEBCAM VIEWER");
    w.Bmp("resources/art/188.bmp", bg);

    auto button = [&](int id, int resource, int width, int height, State state, const Glyph& glyph) {
        w.Bmp("resources/art/" + std::to_string(resource) + ".bmp", ButtonPicture(kSteel, bg, ControlRect(id), width, height, state, glyph));
    };
    button(1006, 149, 21, 21, kNormal, CrossGlyph());
    button(1006, 145, 21, 21, kOver, CrossGlyph());
    button(1026, 146, 122, 24, kNormal, Label("SETTINGS"));
    button(1026, 147, 122, 22, kDown, Label("SETTINGS"));
    button(1002, 153, 37, 18, kNormal, PlayGlyph());
    button(1002, 152, 37, 18, kDown, PlayGlyph());
    button(1002, 150, 37, 18, kOver, PlayGlyph());
    button(1002, 151, 37, 18, kDisabled, PlayGlyph());
    button(1003, 154, 35, 18, kNormal, PauseGlyph());
    button(1003, 157, 37, 18, kDown, PauseGlyph());
    button(1003, 155, 37, 18, kOver, PauseGlyph());
    button(1003, 156, 37, 18, kDisabled, PauseGlyph());
    button(1004, 158, 39, 21, kNormal, StopGlyph());
    button(1004, 161, 39, 21, kDown, StopGlyph());
    button(1004, 159, 39, 21, kOver, StopGlyph());
    button(1004, 160, 39, 21, kDisabled, StopGlyph());
    button(1030, 163, 38, 20, kNormal, SpeakerGlyph(false));
    button(1015, 165, 152, 21, kNormal, Label("HIDE TO TRAY"));
    button(1015, 164, 152, 21, kDown, Label("HIDE TO TRAY"));
    button(1005, 166, 83, 21, kNormal, Label("OPEN FILE"));
    button(1005, 167, 83, 21, kDown, Label("OPEN FILE"));
    // Reset buttons share pictures across controls of slightly different
    // sizes; the smallest of them decides what must be visible.
    auto reset = [&](int resource, Color dot, State state) {
        Theme t = kSteel;
        t.ink[state == kDown ? kDown : kNormal] = dot;
        w.Bmp("resources/art/" + std::to_string(resource) + ".bmp",
              ButtonPicture(t, bg, {ControlRect(1034).x, ControlRect(1034).y, 10, 11}, 12, 12, state, ResetGlyph()));
    };
    reset(176, {235, 240, 245}, kNormal);
    reset(185, {126, 208, 230}, kDown);
    reset(178, {235, 240, 245}, kNormal);
    reset(182, {235, 240, 245}, kNormal);
    reset(177, {235, 240, 245}, kNormal);
    reset(180, {126, 208, 230}, kDown);

    // Frame-rate box pieces, 8 bits per pixel: face caps and middle, the
    // drop button, and the list's four edges.
    const Color slate{115, 138, 154}, slateDark{62, 76, 88}, slateLight{150, 170, 184};
    Image left(3, 21, slate), middle(2, 21, slate), right(21, 21, slate);
    for (Image* img : {&left, &middle, &right}) {
        FillRect(*img, 0, 0, img->w, 1, Solid(slateLight));
        FillRect(*img, 0, 20, img->w, 1, Solid(slateDark));
    }
    FillRect(left, 0, 0, 1, 21, Solid(slateLight));
    FillRect(right, 0, 0, 21, 21, Solid(slateDark));
    FillRect(right, 1, 1, 19, 19, Solid({86, 104, 118}));
    Bevel(right, 1, 1, 19, 19, slateLight, {40, 50, 58});
    for (int row = 0; row < 4; ++row) FillRect(right, 7 + row, 8 + row, 7 - 2 * row, 1, Solid({255, 255, 255}));
    w.Bmp("resources/art/173.bmp", left, 8);
    w.Bmp("resources/art/172.bmp", middle, 8);
    w.Bmp("resources/art/168.bmp", right, 8);
    Image listSide(2, 21, slateDark), listTopEdge(15, 3, slateDark), listBottomEdge(15, 3, slateDark);
    FillRect(listSide, 1, 0, 1, 21, Solid(slateLight));
    FillRect(listTopEdge, 0, 2, 15, 1, Solid(slateLight));
    FillRect(listBottomEdge, 0, 0, 15, 1, Solid(slateLight));
    Image listRight(2, 21, slateDark);
    FillRect(listRight, 0, 0, 1, 21, Solid(slateLight));
    w.Bmp("resources/art/169.bmp", listSide, 8);
    w.Bmp("resources/art/170.bmp", listRight, 8);
    w.Bmp("resources/art/171.bmp", listTopEdge, 8);
    w.Bmp("resources/art/174.bmp", listBottomEdge, 8);
}

// ---------------------------------------------------------------- icon and video pictures

Image CameraIcon(int size) {
    const float s = static_cast<float>(size);
    Image img(size, size, {0, 0, 0});
    Fill(img, RoundRect(s * 0.04f, s * 0.04f, s * 0.92f, s * 0.92f, s * 0.22f), VerticalGradient(0, size, {70, 86, 102}, {26, 32, 40}));
    Fill(img, Circle(s / 2, s * 0.53f, s * 0.30f), Solid({14, 17, 22}));
    Fill(img, Ring(s / 2, s * 0.53f, s * 0.25f, std::max(1.0f, s * 0.06f)), Solid({126, 208, 230}));
    Fill(img, Circle(s / 2, s * 0.53f, s * 0.12f), Solid({96, 142, 164}));
    Fill(img, Circle(s * 0.44f, s * 0.47f, s * 0.045f), Solid({230, 240, 245}));
    Fill(img, Circle(s * 0.78f, s * 0.2f, s * 0.05f), Solid({235, 110, 90}));
    return img;
}

Image VideoPicture(int width, int height, const std::string& line1, const std::string& line2) {
    Image img(width, height);
    FillRect(img, 0, 0, width, height, VerticalGradient(0, height, {22, 27, 34}, {12, 15, 19}));
    const Image icon = CameraIcon(56);
    for (int y = 0; y < icon.h; ++y)
        for (int x = 0; x < icon.w; ++x)
            if (!(icon.at(x, y) == Color{0, 0, 0})) img.at((width - 56) / 2 + x, 36 + y) = icon.at(x, y);
    TextCentered(img, 0, 112, width, 9, line1, {200, 210, 220});
    TextCentered(img, 0, 128, width, 9, line2, {110, 122, 136});
    return img;
}

void Pictures(Writer& w) {
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        w.Png("resources/art/icon128-" + std::to_string(size) + ".png", CameraIcon(size));
    w.Bmp("resources/art/130.bmp", VideoPicture(248, 188, "SELECT A CAMERA", "OR OPEN A MEDIA FILE"));
    w.Bmp("resources/art/1014.bmp", VideoPicture(240, 180, "QUABREL", "WEBCAM VIEWER"));
}

// ---------------------------------------------------------------- sample skins

struct SampleButton {
    const char* section;
    int id;
    Glyph glyph;
    bool round;
};

std::string Ini(const std::map<std::string, std::string>& general, const std::string& sections) {
    std::string text = "[General]\n";
    for (const char* key : {"Type", "Background", "Red", "Green", "Blue"}) text += std::string(key) + "=" + general.at(key) + "\n";
    return text + sections;
}

void SampleSkin(Writer& w, const std::string& dir, const std::string& type, const Theme& t, const Outline& outline, bool masks,
                const std::string& subtitle) {
    fs::create_directories(w.root / "skins" / dir);
    const auto save = [&](const std::string& name, const Image& img) {
        if (type == "png")
            w.Png(fs::path("skins") / dir / name, img);
        else
            w.Bmp(fs::path("skins") / dir / name, img);
    };
    const Image bg = Background(t, outline, subtitle);
    save("background." + type, bg);

    const std::vector<SampleButton> buttons{
        {"Close", 1006, CrossGlyph(), true},          {"Minimize", 1037, MinimizeGlyph(), true},
        {"Advanced", 1026, Label("SETTINGS"), false}, {"FilePlay", 1002, PlayGlyph(), false},
        {"FilePause", 1003, PauseGlyph(), false},     {"FileStop", 1004, StopGlyph(), false},
        {"Sound", 1030, SpeakerGlyph(false), false},  {"SoundNone", 1030, SpeakerGlyph(true), false},
        {"ToTray", 1015, Label("HIDE TO TRAY"), false}, {"FileOpen", 1005, Label("OPEN FILE"), false},
        {"Help", 1038, WithIcon(Label("?"), "HELP"), false},
        {"Red", 1033, ResetGlyph(), true},            {"Green", 1034, ResetGlyph(), true},
        {"Blue", 1035, ResetGlyph(), true},           {"Brightness", 1028, ResetGlyph(), true},
        {"Contrast", 1029, ResetGlyph(), true},       {"Saturation", 1032, ResetGlyph(), true},
    };
    const char* stateNames[] = {"normal", "over", "down", "disabled", "focus"};
    const char* keys[] = {"Normal", "Over", "Down", "Disabled", "Focus"};
    std::string sections;
    for (const SampleButton& b : buttons) {
        const Rect r = ControlRect(b.id);
        std::string lower = b.section;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        sections += "\n[" + std::string(b.section) + "]\n";
        for (int s = 0; s < 5; ++s) {
            const std::string name = lower + "_" + stateNames[s] + "." + type;
            save(name, ButtonPicture(t, bg, r, r.w, r.h, static_cast<State>(s), b.glyph, b.round));
            sections += std::string(keys[s]) + "=" + name + "\n";
        }
        if (masks) {
            const std::string name = lower + "_mask." + type;
            save(name, ButtonMask(r, b.round, t.buttonRadius));
            sections += "Mask=" + name + "\n";
        }
    }
    const Rect list = ControlRect(1001);
    Image listPicture(list.w, list.h);
    FillRect(listPicture, 0, 0, list.w, list.h, VerticalGradient(0, list.h, t.listTop, t.listBottom));
    // One rule under each row of the list, at the list's own row pitch.
    const int pitch = quabrel::kDeviceListRowHeight;
    for (int y = pitch - 1; y < list.h; y += pitch) FillRect(listPicture, 4, y, list.w - 8, 1, Solid(t.listLine));
    save("list." + type, listPicture);
    sections += "\n[VideoList]\nNormal=list." + type + "\n";

    w.TextFile(fs::path("skins") / dir / (dir + ".ini"),
               Ini({{"Type", type}, {"Background", "background." + type}, {"Red", "167"}, {"Green", "79"}, {"Blue", "255"}}, sections));
}

const Theme kGraphite{
    {52, 48, 45}, {30, 28, 27}, {10, 9, 9}, {150, 130, 110},
    {18, 17, 16}, {78, 72, 66}, {6, 6, 5},
    {242, 176, 74}, {160, 148, 134},
    {{{88, 80, 73}, {64, 58, 53}}, {{140, 104, 54}, {110, 80, 40}}, {{30, 28, 26}, {42, 39, 36}}, {{54, 51, 48}, {50, 47, 44}}},
    {{238, 230, 220}, {255, 246, 230}, {242, 176, 74}, {108, 102, 96}},
    {14, 13, 12}, {242, 176, 74},
    {232, 226, 216}, {205, 197, 186}, {190, 181, 170},
    10, 3};

const Theme kAurora{
    {238, 243, 247}, {206, 217, 227}, {120, 138, 156}, {255, 255, 255},
    {36, 44, 54}, {255, 255, 255}, {150, 165, 180},
    {22, 140, 150}, {86, 102, 120},
    {{{250, 252, 253}, {222, 231, 238}}, {{214, 244, 244}, {170, 226, 228}}, {{150, 200, 206}, {186, 224, 228}}, {{226, 231, 235}, {220, 225, 230}}},
    {{40, 56, 72}, {12, 110, 118}, {8, 70, 76}, {160, 170, 180}},
    {120, 138, 156}, {22, 140, 150},
    {250, 252, 253}, {226, 236, 243}, {214, 226, 234},
    30, 8};

void SampleSkins(Writer& w) {
    // Graphite: bitmaps, no masks, a squarer outline with a raised title tab.
    const Sdf graphite = Union(RoundRect(2, 14, 498, 470, 10), RoundRect(262, 2, 238, 40, 10));
    SampleSkin(w, "graphite", "bmp", kGraphite, {502, 486, graphite}, false, "GRAPHITE");
    // Aurora: PNG with a mask for every button, round outline.
    SampleSkin(w, "aurora", "png", kAurora, {513, 520, RoundRect(3, 3, 507, 514, 30)}, true, "AURORA");
    w.TextFile("skins/skin.cfg",
               "; Skins offered in the Skin menu. Current is the entry shown at start:\n"
               "; 0 is the first entry, -1 the skin built into the program.\n"
               "[General]\nTotal=2\nCurrent=0\n\n"
               "[case0]\nName=Graphite\nDirectory=graphite\niniFile=graphite.ini\n\n"
               "[case1]\nName=Aurora\nDirectory=aurora\niniFile=aurora.ini\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skinart <source root>\n");
        return 2;
    }
    Writer w{argv[1]};
    fs::create_directories(w.root / "resources" / "art");
    fs::create_directories(w.root / "skins");
    BuiltInSkin(w);
    Pictures(w);
    SampleSkins(w);
    std::printf("skinart: wrote %d files under %s\n", w.files, argv[1]);
    return 0;
}
