// Sample media for a first run without a camera: a still picture, a short
// looping clip and a sound, all drawn or synthesised here, so that every
// adjustment can be tried on something. The output is committed under
// samples/ and installed with the program; regenerate it with
//   bash tools/make_art.sh
//
//   samplemedia <output folder>
// The clip is encoded by GStreamer's command-line tool, which must be on PATH.

#include "../skinart/Canvas.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace skinart;

namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr int kFrames = 24, kRate = 12;  // two seconds, then it starts over

// Six saturated patches, skin tones and a grey ramp: what each slider
// visibly changes.
Image ColourChart() {
    Image img(kWidth, kHeight, {34, 36, 40});
    TextCentered(img, 0, 8, kWidth, 16, "QUABREL SAMPLE PICTURE", {230, 230, 230}, 2);
    const Color patches[] = {{220, 40, 40}, {40, 190, 60}, {40, 80, 220}, {40, 200, 210}, {210, 60, 200}, {235, 215, 50}};
    for (int i = 0; i < 6; ++i) Fill(img, RoundRect(14.0f + 50.0f * static_cast<float>(i), 40, 42, 60, 6), Solid(patches[i]));
    const Color skin[] = {{255, 224, 196}, {234, 192, 160}, {198, 146, 110}, {141, 93, 62}, {92, 58, 38}};
    for (int i = 0; i < 5; ++i) Fill(img, Circle(42.0f + 59.0f * static_cast<float>(i), 138, 22), Solid(skin[i]));
    for (int i = 0; i < 16; ++i) {
        const int v = i * 255 / 15;
        FillRect(img, 14 + i * 18, 178, 18, 36, Solid({v, v, v}));
    }
    Text(img, 14, 222, "BRIGHTNESS CONTRAST SATURATION RGB", {150, 150, 150});
    return img;
}

// A ball crossing a sky over hills and coming back: movement shows that the
// picture is live and that the clip starts over.
Image ClipFrame(int n) {
    Image img(kWidth, kHeight);
    FillRect(img, 0, 0, kWidth, kHeight, VerticalGradient(0, 170, {70, 130, 210}, {200, 225, 245}));
    Fill(img, Circle(262, 48, 22), Solid({250, 210, 80}));
    Fill(img, Circle(70, 300, 150), Solid({60, 150, 70}));
    Fill(img, Circle(250, 330, 170), Solid({40, 120, 55}));
    const float t = static_cast<float>(n) / kFrames;  // 0 .. 1 over the clip
    const float x = 30.0f + 260.0f * (t < 0.5f ? 2 * t : 2 - 2 * t);
    const float y = 190.0f - 130.0f * std::fabs(std::sin(t * 3.14159265f * 2));
    Fill(img, Circle(x, y, 16), Solid({220, 50, 50}));
    Fill(img, Circle(x - 5, y - 5, 5), Solid({250, 160, 160}));
    char label[32];
    std::snprintf(label, sizeof label, "FRAME %02d", n + 1);
    Text(img, 8, 8, label, {255, 255, 255});
    return img;
}

bool WriteClip(const fs::path& path) {
    const std::string command = "gst-launch-1.0 -q fdsrc fd=0 ! rawvideoparse width=" + std::to_string(kWidth) +
                                " height=" + std::to_string(kHeight) + " format=rgb framerate=" +
                                std::to_string(kRate) + "/1 ! videoconvert ! video/x-raw,format=I420 ! "
                                "jpegenc quality=80 ! avimux ! filesink location='" + path.string() + "'";
    FILE* pipe = popen(command.c_str(), "w");
    if (pipe == nullptr) return false;
    std::vector<uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (int n = 0; n < kFrames; ++n) {
        const Image frame = ClipFrame(n);
        for (std::size_t i = 0; i < frame.px.size(); ++i) {
            rgb[3 * i] = static_cast<uint8_t>(frame.px[i].r);
            rgb[3 * i + 1] = static_cast<uint8_t>(frame.px[i].g);
            rgb[3 * i + 2] = static_cast<uint8_t>(frame.px[i].b);
        }
        if (std::fwrite(rgb.data(), 1, rgb.size(), pipe) != rgb.size()) break;
    }
    return pclose(pipe) == 0;
}

// A two-note chime, 16-bit mono PCM at 22050 Hz.
bool WriteChime(const fs::path& path) {
    constexpr int kRateHz = 22050;
    std::vector<int16_t> samples;
    for (const double note : {659.25, 987.77}) {  // E5, then B5
        for (int i = 0; i < kRateHz * 6 / 10; ++i) {
            const double t = static_cast<double>(i) / kRateHz;
            const double envelope = std::exp(-4.0 * t) * std::min(1.0, t * 200.0);
            samples.push_back(static_cast<int16_t>(12000.0 * envelope * std::sin(2 * 3.14159265358979 * note * t)));
        }
    }
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4), u32(36 + bytes), out.write("WAVE", 4);
    out.write("fmt ", 4), u32(16), u16(1), u16(1), u32(kRateHz), u32(kRateHz * 2), u16(2), u16(16);
    out.write("data", 4), u32(bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), bytes);
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: samplemedia <output folder>\n");
        return 2;
    }
    const fs::path out = fs::path(argv[1]) / "samples";
    fs::create_directories(out);
    const bool ok = WriteBmp((out / "colour-chart.bmp").string(), ColourChart()) && WriteChime(out / "chime.wav") &&
                    WriteClip(out / "bouncing-ball.avi");
    if (!ok) {
        std::fprintf(stderr, "samplemedia: could not write the samples under %s\n", out.c_str());
        return 1;
    }
    std::printf("samplemedia: wrote %s\n", out.c_str());
    return 0;
}
