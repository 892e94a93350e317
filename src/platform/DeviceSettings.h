#pragma once

#include "platform/HResult.h"
#include "platform/V4l2.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quabrel {

// One control of a camera's driver, as the driver describes it now.
struct DeviceControl {
    enum class Kind { kInteger, kBoolean, kMenu, kIntegerMenu, kButton, kClass, kOther };
    uint32_t id = 0;
    Kind kind = Kind::kOther;
    std::string name;
    int64_t minimum = 0, maximum = 0, step = 1, defaultValue = 0;
    int64_t value = 0;
    // Menus: the entries the driver offers, by index.
    std::vector<std::pair<int64_t, std::string>> entries;
    bool inactive = false;   // has no effect now (another control decides)
    bool readOnly = false;
    bool disabled = false;   // not to be shown at all
    bool changesOthers = false;  // an automatic mode: others count or not by it
    uint32_t ControlClass() const { return id & 0x0fff0000; }
};

// A camera's video input and its standards, where it has them.
struct VideoInput {
    uint32_t index = 0;
    std::string name;
    uint64_t standards = 0;  // the analogue standards it takes (0: none)
};

// The driver's own settings of one camera node: every control it has and
// its video inputs. Each call asks the driver afresh, so what one change
// does to the others (an automatic mode switching a manual value off) shows
// at the next call.
class DeviceSettings {
public:
    // Null when the node does not open.
    static std::unique_ptr<DeviceSettings> Open(const std::string& devicePath);

    // Controls, in the driver's order; class headings included.
    std::vector<DeviceControl> Controls() const;
    bool HasControls() const;
    HRESULT Set(uint32_t id, int64_t value) const;
    // Every control that can be written back to its default: the values
    // first, while they still count, then the automatic modes, then the
    // values those modes made count again. S_FALSE when one refused.
    HRESULT RestoreDefaults() const;

    // Inputs.
    std::vector<VideoInput> Inputs() const;
    HRESULT CurrentInput(uint32_t* index) const;
    HRESULT SelectInput(uint32_t index) const;
    // The standards of the current input: id and name.
    std::vector<std::pair<uint64_t, std::string>> Standards() const;
    HRESULT CurrentStandard(uint64_t* standard) const;
    HRESULT SelectStandard(uint64_t standard) const;

private:
    explicit DeviceSettings(std::unique_ptr<DeviceNode> node) : m_node(std::move(node)) {}
    std::unique_ptr<DeviceNode> m_node;
};

}  // namespace quabrel
