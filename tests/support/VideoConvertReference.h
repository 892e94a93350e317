#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quabrel::testing {

// An independent reference for frame conversions: GStreamer's videoconvert,
// turning one BGRx frame of `width` x `height` into `format` (a GStreamer
// format name) with BT.601 limited-range colours, planes in tight rows.
// Empty when GStreamer would not convert it.
std::vector<uint8_t> VideoConvertBgrx(const std::vector<uint8_t>& bgrx, int width, int height, const std::string& format);

}  // namespace quabrel::testing
