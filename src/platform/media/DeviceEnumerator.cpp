#include "platform/media/DeviceEnumerator.h"

#include <mutex>

namespace quabrel {

namespace {

// Cameras come from V4L2, whose nodes the picture controls, inputs and
// driver settings talk to. PipeWire's provider would hide them behind its
// own nodes, list our own PipeWire camera among the cameras, and wait
// forever for a daemon that died while it was asked.
void ListDevicesWithoutPipeWire() {
    static std::once_flag once;
    std::call_once(once, [] { SetFeatureRank("pipewiredeviceprovider", GST_RANK_NONE); });
}

std::string StringProperty(GstDevice* device, const char* key) {
    const GstStructurePtr properties(gst_device_get_properties(device));
    if (!properties) return {};
    const gchar* value = gst_structure_get_string(properties.get(), key);
    return value != nullptr ? value : "";
}

}  // namespace

DeviceFilterPtr DeviceMoniker::Bind(std::string displayName) const {
    GstElement* element = gst_device_create_element(device.get(), nullptr);
    if (element == nullptr) return nullptr;
    // Elements start floating: own it here, a graph takes its own reference.
    auto owned = GstPtr<GstElement>::Adopt(GST_ELEMENT(gst_object_ref_sink(element)));
    return std::make_shared<DeviceFilter>(std::move(owned), std::move(displayName), DevicePath());
}

std::string DeviceMoniker::DisplayName() const {
    std::string name = StringProperty(device.get(), "device.description");
    if (!name.empty()) return name;
    const GCharPtr display(gst_device_get_display_name(device.get()));
    return display ? std::string(display.get()) : name;
}

std::string DeviceMoniker::DevicePath() const {
    std::string path = StringProperty(device.get(), "api.v4l2.path");
    return path.empty() ? StringProperty(device.get(), "device.path") : path;
}

HRESULT CreateClassEnumerator(DeviceCategory category, std::vector<DeviceMoniker>& devices) {
    devices.clear();
    if (!gst_is_initialized()) return E_FAIL;
    ListDevicesWithoutPipeWire();
    GstPtr<GstDeviceMonitor> monitor = GstPtr<GstDeviceMonitor>::Adopt(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), category == DeviceCategory::kVideoInput ? "Video/Source" : "Audio/Source",
                                  nullptr);
    // Probing without start() lists what is there now, without a watch.
    GList* list = gst_device_monitor_get_devices(monitor.get());
    for (GList* item = list; item != nullptr; item = item->next)
        devices.push_back({GstPtr<GstDevice>::Adopt(GST_DEVICE(item->data))});
    g_list_free(list);
    return devices.empty() ? S_FALSE : S_OK;
}

}  // namespace quabrel
