#include "skin/PngImage.h"

#include "platform/FilePaths.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace quabrel {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const std::string& path) {
    FileDescriptor fd = OpenRegularFile(FindPathIgnoringCase(path));
    if (!fd) return nullptr;
    File file(::fdopen(fd.get(), "rb"));
    if (file) fd.release();  // the stream closes it now
    return file;
}

// Everything the decoder touches between setjmp and a possible longjmp lives
// here, outside the frame that calls setjmp, so its state is well defined
// after an error jumps back.
struct DecodeState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colorType = -1;
    std::size_t rowBytes = 0;
    std::vector<png_byte> data;
    std::vector<png_bytep> rows;
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

// Reads header and pixels. Has no locals with destructors: a libpng error
// long-jumps back here and returns false.
bool DecodeRows(DecodeState& s) {
    if (setjmp(png_jmpbuf(s.png))) return false;

    png_init_io(s.png, s.file);
    png_set_user_limits(s.png, PngImage::kMaxSide, PngImage::kMaxSide);
    png_read_info(s.png, s.info);
    if (uint64_t{png_get_image_width(s.png, s.info)} * png_get_image_height(s.png, s.info) > PngImage::kMaxPixels)
        return false;

    // Palette to RGB, low-depth grey to 8 bits, transparency chunk to alpha,
    // and 16-bit samples down to 8 so every row holds 8-bit samples.
    png_set_expand(s.png);
    png_set_strip_16(s.png);
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);

    s.width = png_get_image_width(s.png, s.info);
    s.height = png_get_image_height(s.png, s.info);
    s.colorType = png_get_color_type(s.png, s.info);
    s.rowBytes = png_get_rowbytes(s.png, s.info);
    s.data.resize(s.rowBytes * s.height);
    s.rows.resize(s.height);
    for (png_uint_32 y = 0; y < s.height; ++y) s.rows[y] = s.data.data() + y * s.rowBytes;
    png_read_image(s.png, s.rows.data());
    png_read_end(s.png, nullptr);
    return true;
}

// Output pixel from the decoded samples, by colour type; false for a type
// that has no conversion.
bool ConvertRows(const DecodeState& s, uint8_t* out) {
    for (png_uint_32 y = 0; y < s.height; ++y) {
        const png_byte* in = s.rows[y];
        for (png_uint_32 x = 0; x < s.width; ++x, out += 4) {
            switch (s.colorType) {
            case PNG_COLOR_TYPE_GRAY:
                out[0] = out[1] = out[2] = in[0];
                out[3] = 0;
                in += 1;
                break;
            case PNG_COLOR_TYPE_RGB:
                out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = 0;
                in += 3;
                break;
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                out[0] = out[1] = out[2] = in[0];
                out[3] = in[1];
                in += 2;
                break;
            case PNG_COLOR_TYPE_RGB_ALPHA:
                out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = in[3];
                in += 4;
                break;
            default:
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool IsPngFile(const std::string& path) {
    const File file = OpenForReading(path);
    if (!file) return false;
    png_byte signature[8];
    if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature) return false;
    return png_sig_cmp(signature, 0, sizeof signature) == 0;
}

bool PngImage::Read(const std::string& path) {
    m_bLoaded = 0;
    if (!IsPngFile(path)) return false;
    const File file = OpenForReading(path);
    if (!file) return false;

    DecodeState s;
    s.file = file.get();
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (s.png == nullptr) return false;
    s.info = png_create_info_struct(s.png);
    const bool decoded = s.info != nullptr && DecodeRows(s);
    png_destroy_read_struct(&s.png, s.info != nullptr ? &s.info : nullptr, nullptr);
    if (!decoded) return false;

    m_pPixels.reset();
    m_nWidth = m_nHeight = 0;
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[std::size_t{s.width} * s.height * 4]);
    if (!ConvertRows(s, pixels.get())) return false;
    m_pPixels = std::move(pixels);
    m_nWidth = static_cast<int>(s.width);
    m_nHeight = static_cast<int>(s.height);
    m_bLoaded = 1;
    return true;
}

}  // namespace quabrel
