// The interface thread republishes settings while the streaming thread
// processes frames. Every frame must come out as one whole set made it,
// never a mix. Built with the thread sanitizer in CI.

#include "imaging/ColorProcessor.h"
#include "support/ColorTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace quabrel {
namespace {

TEST(ColorProcessorThreads, EachFrameSeesOneConsistentSet) {
    CColorProcessor processor;
    // Two sets that map every grey level g to distinct outputs, so a mixed
    // frame is visible in a single pixel pair.
    reference::Settings dark, bright;
    dark.brightnessValue = -40;
    dark.red = -30;
    bright.brightnessValue = 40;
    bright.blue = 30;
    bright.stillImage = true;

    std::vector<uint8_t> input(3 * 2048);
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<uint8_t>(i * 7);
    const auto expected = [&](const reference::Settings& s) {
        CColorProcessor single;
        testing::Configure(single, s);
        auto out = input;
        single.ProcessFrame(out.data(), 2048, out.size(), PixelLayout::kBgr);
        return out;
    };
    const auto darkOut = expected(dark);
    const auto brightOut = expected(bright);
    ASSERT_NE(darkOut, brightOut);

    testing::Configure(processor, dark);
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::atomic<int> mixed{0};
    std::thread streaming([&] {
        std::vector<uint8_t> frame;
        while (!stop.load(std::memory_order_relaxed) || frames.load() < 50) {
            frame = input;
            processor.ProcessFrame(frame.data(), 2048, frame.size(), PixelLayout::kBgr);
            if (frame != darkOut && frame != brightOut) mixed.fetch_add(1);
            frames.fetch_add(1);
        }
    });
    for (int i = 0; i < 400; ++i) testing::Configure(processor, i % 2 ? dark : bright);
    stop = true;
    streaming.join();
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_GE(frames.load(), 50);
}

}  // namespace
}  // namespace quabrel
