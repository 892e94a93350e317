#pragma once

namespace quabrel {

// Row pitch of the device list, in pixels. The sample skins rule their list
// pictures at this pitch, one line under each row, so the picture's lines
// fall between the names instead of through them.
inline constexpr int kDeviceListRowHeight = 16;

}  // namespace quabrel
