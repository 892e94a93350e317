// Frames put into an X window from outside the toolkit, checked by reading
// the window back through the X protocol, on a virtual display of its own.
#include "platform/X11VideoOutput.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace quabrel {
namespace {

using testing::VirtualDisplay;

class X11Output : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_display.Name().empty()) << "Xvfb did not start";
        m_connection = xcb_connect(m_display.Name().c_str(), nullptr);
        ASSERT_EQ(xcb_connection_has_error(m_connection), 0);
        m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    }
    void TearDown() override {
        if (m_connection != nullptr) xcb_disconnect(m_connection);
    }

    // A mapped window of `depth` (24: the screen's own visual; 32: one with
    // alpha, as a child of a translucent window has).
    uint32_t MakeWindow(uint8_t depth, uint16_t windowClass = XCB_WINDOW_CLASS_INPUT_OUTPUT) {
        uint32_t visual = m_screen->root_visual;
        if (depth == 32)
            for (auto d = xcb_screen_allowed_depths_iterator(m_screen); d.rem != 0; xcb_depth_next(&d))
                if (d.data->depth == 32 && xcb_depth_visuals_length(d.data) > 0)
                    visual = xcb_depth_visuals(d.data)[0].visual_id;
        const uint32_t colormap = xcb_generate_id(m_connection);
        xcb_create_colormap(m_connection, XCB_COLORMAP_ALLOC_NONE, colormap, m_screen->root, visual);
        const uint32_t window = xcb_generate_id(m_connection);
        const uint32_t values[] = {0, colormap};
        if (windowClass == XCB_WINDOW_CLASS_INPUT_ONLY)
            xcb_create_window(m_connection, 0, window, m_screen->root, 0, 0, 64, 64, 0, windowClass,
                              XCB_COPY_FROM_PARENT, 0, nullptr);
        else
            xcb_create_window(m_connection, depth, window, m_screen->root, 0, 0, 64, 64, 0, windowClass, visual,
                              XCB_CW_BORDER_PIXEL | XCB_CW_COLORMAP, values);
        xcb_map_window(m_connection, window);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        return window;
    }

    // The window's top left `width` x `height` pixels as 32-bit words.
    std::vector<uint32_t> Read(uint32_t window, int width, int height) {
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
            xcb_get_image_reply(m_connection,
                                xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                              static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u),
                                nullptr),
            &std::free);
        std::vector<uint32_t> pixels(static_cast<std::size_t>(width) * height);
        if (reply && xcb_get_image_data_length(reply.get()) >= static_cast<int>(pixels.size() * 4))
            std::memcpy(pixels.data(), xcb_get_image_data(reply.get()), pixels.size() * 4);
        return pixels;
    }

    VirtualDisplay m_display;
    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
};

TEST_F(X11Output, FramesArriveWithTheirColoursAndOpaqueAtEitherDepth) {
    for (uint8_t depth : {uint8_t{24}, uint8_t{32}}) {
        SCOPED_TRACE(int{depth});
        const uint32_t window = MakeWindow(depth);
        const auto output = X11VideoOutput::Open(m_connection, window);
        ASSERT_NE(output, nullptr);
        // 5 x 3 pixels in rows of 6, fourth bytes anything but opaque.
        constexpr int kWidth = 5, kHeight = 3, kStride = 6 * 4;
        std::vector<uint8_t> frame(kStride * kHeight, 0xEE);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint8_t* px = &frame[static_cast<std::size_t>(y * kStride + x * 4)];
                px[0] = static_cast<uint8_t>(10 * x), px[1] = static_cast<uint8_t>(50 * y), px[2] = 200;
                px[3] = static_cast<uint8_t>(x * 60);
            }
        ASSERT_TRUE(output->Put(frame.data(), kWidth, kHeight, kStride));
        const std::vector<uint32_t> shown = Read(window, kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint32_t pixel = shown[static_cast<std::size_t>(y * kWidth + x)];
                EXPECT_EQ(pixel & 0xFFFFFFu, 200u << 16 | uint32_t(50 * y) << 8 | uint32_t(10 * x))
                    << x << "," << y;
                if (depth == 32) {
                    EXPECT_EQ(pixel >> 24, 0xFFu) << "opaque at " << x << "," << y;
                }
            }

        // A frame bigger than any before takes a bigger segment.
        std::vector<uint8_t> large(100 * 90 * 4, 0x80);
        ASSERT_TRUE(output->Put(large.data(), 100, 90, 100 * 4));
        EXPECT_EQ(Read(window, 64, 64)[64 * 64 - 1] & 0xFFFFFFu, 0x808080u) << "the window's last pixel";

        output->FillBlack(3, 2);
        const std::vector<uint32_t> filled = Read(window, 4, 3);
        EXPECT_EQ(filled[0] & 0xFFFFFFu, 0u);
        EXPECT_EQ(filled[1 * 4 + 2] & 0xFFFFFFu, 0u);
        if (depth == 32) {
            EXPECT_EQ(filled[0] >> 24, 0xFFu);
        }
        EXPECT_EQ(filled[3] & 0xFFFFFFu, 0x808080u) << "right of the area";
        EXPECT_EQ(filled[2 * 4] & 0xFFFFFFu, 0x808080u) << "below the area";
    }
}

TEST_F(X11Output, RefusesWhatItCannotDrawIntoOrFrom) {
    EXPECT_EQ(X11VideoOutput::Open(nullptr, MakeWindow(24)), nullptr);
    EXPECT_EQ(X11VideoOutput::Open(m_connection, 0), nullptr);
    EXPECT_EQ(X11VideoOutput::Open(m_connection, MakeWindow(0, XCB_WINDOW_CLASS_INPUT_ONLY)), nullptr)
        << "a window without pixels";
    const auto output = X11VideoOutput::Open(m_connection, MakeWindow(24));
    ASSERT_NE(output, nullptr);
    const std::vector<uint8_t> frame(16 * 16 * 4);
    EXPECT_FALSE(output->Put(nullptr, 16, 16, 64));
    EXPECT_FALSE(output->Put(frame.data(), 16, 16, 63)) << "rows shorter than the width";
    EXPECT_FALSE(output->Put(frame.data(), 0, 16, 64));
    EXPECT_FALSE(output->Put(frame.data(), 16, -1, 64));
    EXPECT_TRUE(output->Put(frame.data(), 16, 16, 64));
}

TEST_F(X11Output, AWindowGoneMidStreamIsRefusedNotFatal) {
    const uint32_t window = MakeWindow(24);
    const auto output = X11VideoOutput::Open(m_connection, window);
    ASSERT_NE(output, nullptr);
    xcb_destroy_window(m_connection, window);
    const std::vector<uint8_t> frame(8 * 8 * 4);
    EXPECT_FALSE(output->Put(frame.data(), 8, 8, 32));
    EXPECT_EQ(xcb_connection_has_error(m_connection), 0) << "the connection carries on";
}

}  // namespace
}  // namespace quabrel
