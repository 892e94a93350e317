#pragma once

#include <cstdint>

namespace quabrel {

// One adjustable picture property, in the device's range when the device
// handles it and in the software range otherwise.
struct VideoProcSetting {
    int32_t value = 0;
    int32_t defaultValue = 0;
    int32_t step = 0;  // kept for the device; the adjustment does not use it
    int32_t minimum = 0;
    int32_t maximum = 0;
    bool deviceHandled = false;
};

}  // namespace quabrel
