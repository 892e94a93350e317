#pragma once

#include "platform/HResult.h"
#include "platform/media/GstPtr.h"

#include <memory>
#include <string>
#include <vector>

namespace quabrel {

enum class DeviceCategory { kVideoInput, kAudioInput };

// A device found again by its name and bound: its source element, which a
// graph can take, and its device node, which the engine talks to directly.
class DeviceFilter {
public:
    DeviceFilter(GstPtr<GstElement> element, std::string displayName, std::string devicePath)
        : m_element(std::move(element)), m_displayName(std::move(displayName)), m_devicePath(std::move(devicePath)) {}

    const std::string& DisplayName() const { return m_displayName; }
    // The V4L2 node ("/dev/video2"), empty for devices that have none.
    const std::string& DevicePath() const { return m_devicePath; }
    GstElement* Element() const { return m_element.get(); }

private:
    GstPtr<GstElement> m_element;
    std::string m_displayName;
    std::string m_devicePath;
};

using DeviceFilterPtr = std::shared_ptr<DeviceFilter>;

// One device as the system's enumerator offers it.
struct DeviceMoniker {
    GstPtr<GstDevice> device;
    // The name the device is listed and found under: its description where
    // it has one, else its display name. Empty: the device has no readable
    // name and is skipped.
    std::string DisplayName() const;
    std::string DevicePath() const;
    // Binds the device, found under `displayName`: a new source element for
    // it, or null.
    DeviceFilterPtr Bind(std::string displayName) const;
};

// Lists the devices of a category in the provider's order. S_OK with
// devices, S_FALSE for an empty category, E_FAIL when the media framework
// is not running.
HRESULT CreateClassEnumerator(DeviceCategory category, std::vector<DeviceMoniker>& devices);

}  // namespace quabrel
