#pragma once
// Small media files made by the tests themselves: GStreamer's own encoders
// and muxers for video and sound, Qt's writers for BMP and JPEG, and a GIF
// writer of ours (Qt reads GIF but does not write it).

#include <QColor>
#include <QImage>
#include <QString>

#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace quabrel::testing {

// Runs a gst-launch description to its end, in a process of its own: the
// encoders' own leaks and threads stay out of the test. False on any error.
// A pipeline that never ends fails after a minute, saying so, rather than
// holding the test until its own time runs out.
inline bool RunPipeline(const std::string& description) {
    const std::string command = "timeout 60 gst-launch-1.0 -q " + description + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (WIFEXITED(status) && WEXITSTATUS(status) == 124)
        std::fprintf(stderr, "gst-launch-1.0 did not end within a minute: %s\n", description.c_str());
    return status == 0;
}

// Six frames of colour bars, 160x120 at 30 per second, encoded and muxed by
// `encodeAndMux` (e.g. "jpegenc ! avimux") into `path`.
inline bool MakeVideo(const std::string& path, const std::string& encodeAndMux) {
    return RunPipeline("videotestsrc num-buffers=6 pattern=smpte100 ! video/x-raw,width=160,height=120,framerate=30/1 "
                       "! videoconvert ! " +
                       encodeAndMux + " ! filesink location=\"" + path + "\"");
}

// A second of a tone, encoded by `encodeAndMux` into `path`.
inline bool MakeSound(const std::string& path, const std::string& encodeAndMux) {
    return RunPipeline("audiotestsrc num-buffers=50 samplesperbuffer=882 ! audio/x-raw,rate=44100,channels=1 "
                       "! audioconvert ! audioresample ! " +
                       encodeAndMux + " ! filesink location=\"" + path + "\"");
}

// A GIF of `image` in 256 grey levels. Every code is written at 9 bits, with
// a clear code often enough that the table never needs a wider one: valid
// GIF, no compression.
inline std::vector<uint8_t> GifOf(const QImage& image) {
    const int w = image.width(), h = image.height();
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&](int v) {
        out.push_back(static_cast<uint8_t>(v & 0xff));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    put16(w);
    put16(h);
    out.insert(out.end(), {0xF7, 0, 0});
    for (int i = 0; i < 256; ++i) out.insert(out.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    out.push_back(0x2C);
    put16(0);
    put16(0);
    put16(w);
    put16(h);
    out.push_back(0);
    out.push_back(8);  // minimum code size
    std::vector<uint8_t> bits;
    uint32_t buffer = 0;
    int filled = 0;
    auto code = [&](uint32_t c) {
        buffer |= c << filled;
        filled += 9;
        while (filled >= 8) {
            bits.push_back(static_cast<uint8_t>(buffer & 0xff));
            buffer >>= 8;
            filled -= 8;
        }
    };
    code(256);
    int sinceClear = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (sinceClear == 250) {
                code(256);
                sinceClear = 0;
            }
            code(static_cast<uint32_t>(qGray(image.pixel(x, y))));
            ++sinceClear;
        }
    code(257);
    if (filled > 0) bits.push_back(static_cast<uint8_t>(buffer & 0xff));
    for (std::size_t at = 0; at < bits.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, bits.size() - at);
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), bits.begin() + static_cast<std::ptrdiff_t>(at),
                   bits.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// A picture with clear regions: left half a mid red, right half a mid blue.
inline QImage TwoColourPicture(int w = 64, int h = 48) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, x < w / 2 ? qRgb(160, 60, 40) : qRgb(40, 60, 160));
    return image;
}

}  // namespace quabrel::testing
