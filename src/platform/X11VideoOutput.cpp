#include "platform/X11VideoOutput.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace quabrel {

namespace {

template <typename Reply>
struct FreeReply {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply<Reply>>;

// Whether `visual` at `depth` stores a pixel as the 32-bit little-endian word
// 0x..RRGGBB, which is BGRx byte for byte (at depth 32 the top byte is
// alpha).
bool TakesBgrx(const xcb_setup_t* setup, uint32_t visual, uint8_t depth) {
    if ((depth != 24 && depth != 32) || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    bool wordPerPixel = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem != 0; xcb_format_next(&f))
        if (f.data->depth == depth) wordPerPixel = f.data->bits_per_pixel == 32;
    if (!wordPerPixel) return false;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem != 0; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem != 0; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem != 0; xcb_visualtype_next(&v))
                if (v.data->visual_id == visual)
                    return d.data->depth == depth && v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                           v.data->red_mask == 0xFF0000 && v.data->green_mask == 0xFF00 && v.data->blue_mask == 0xFF;
    return false;
}

}  // namespace

std::unique_ptr<X11VideoOutput> X11VideoOutput::Open(xcb_connection_t* connection, uint32_t window) {
    if (connection == nullptr || window == 0 || xcb_connection_has_error(connection)) return nullptr;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    if (shm == nullptr || !shm->present) return nullptr;
    const ReplyPtr<xcb_shm_query_version_reply_t> version(
        xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr));
    const ReplyPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr));
    const ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!version || !attributes || !geometry ||
        !TakesBgrx(xcb_get_setup(connection), attributes->visual, geometry->depth))
        return nullptr;
    std::unique_ptr<X11VideoOutput> output(new X11VideoOutput(connection, window, geometry->depth));
    // A server elsewhere (another machine, another container) cannot see
    // this process's memory: found out now, with a small segment.
    std::lock_guard lock(output->m_mutex);
    if (!output->Reserve(64 * 64 * 4)) return nullptr;
    return output;
}

X11VideoOutput::X11VideoOutput(xcb_connection_t* connection, uint32_t window, uint8_t depth)
    : m_connection(connection), m_window(window), m_depth(depth), m_gc(xcb_generate_id(connection)) {
    // Opaque black in true colour, with or without alpha; no exposure events
    // for copies.
    const uint32_t values[] = {depth == 32 ? 0xFF000000u : 0u, 0};
    xcb_create_gc(m_connection, m_gc, m_window, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES, values);
}

X11VideoOutput::~X11VideoOutput() {
    std::lock_guard lock(m_mutex);
    ReleaseSegment();
    xcb_free_gc(m_connection, m_gc);
    xcb_flush(m_connection);
}

void X11VideoOutput::ReleaseSegment() {
    if (m_segment != 0) xcb_shm_detach(m_connection, m_segment);
    if (m_memory != nullptr) shmdt(m_memory);
    m_segment = 0;
    m_memory = nullptr;
    m_capacity = 0;
}

bool X11VideoOutput::Reserve(std::size_t bytes) {
    if (bytes <= m_capacity) return true;
    ReleaseSegment();
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return false;
    void* memory = shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    const uint32_t segment = xcb_generate_id(m_connection);
    const ReplyPtr<xcb_generic_error_t> error(
        xcb_request_check(m_connection, xcb_shm_attach_checked(m_connection, segment, id, /*read_only=*/1)));
    // Marked for removal once the server has it: it goes when both sides
    // have let go, even if this process dies.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        shmdt(memory);
        return false;
    }
    m_memory = static_cast<uint8_t*>(memory);
    m_segment = segment;
    m_capacity = bytes;
    return true;
}

bool X11VideoOutput::Put(const uint8_t* pixels, int width, int height, int stride) {
    if (pixels == nullptr || width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF || stride < width * 4)
        return false;
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    std::lock_guard lock(m_mutex);
    if (!Reserve(row * static_cast<std::size_t>(height))) return false;
    for (int y = 0; y < height; ++y) {
        uint8_t* const to = m_memory + row * static_cast<std::size_t>(y);
        const uint8_t* const from = pixels + static_cast<std::ptrdiff_t>(stride) * y;
        if (m_depth == 24) {
            std::memcpy(to, from, row);
            continue;
        }
        // A window with alpha (a child of a translucent one) gets the
        // picture opaque, whatever the frame's fourth byte holds.
        for (std::size_t x = 0; x < row; x += 4) {
            uint32_t pixel;
            std::memcpy(&pixel, from + x, 4);
            pixel |= 0xFF000000u;
            std::memcpy(to + x, &pixel, 4);
        }
    }
    const auto w = static_cast<uint16_t>(width), h = static_cast<uint16_t>(height);
    // Checked: the answer is also the sign that the server has read the
    // memory, which the next frame overwrites.
    const ReplyPtr<xcb_generic_error_t> error(xcb_request_check(
        m_connection, xcb_shm_put_image_checked(m_connection, m_window, m_gc, w, h, 0, 0, w, h, 0, 0, m_depth,
                                                XCB_IMAGE_FORMAT_Z_PIXMAP, 0, m_segment, 0)));
    return !error;
}

void X11VideoOutput::FillBlack(int width, int height) {
    if (width <= 0 || height <= 0) return;
    const xcb_rectangle_t area{0, 0, static_cast<uint16_t>(std::min(width, 0xFFFF)),
                               static_cast<uint16_t>(std::min(height, 0xFFFF))};
    std::lock_guard lock(m_mutex);
    xcb_poly_fill_rectangle(m_connection, m_window, m_gc, 1, &area);
    xcb_flush(m_connection);
}

}  // namespace quabrel
