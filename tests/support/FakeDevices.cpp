#include "support/FakeDevices.h"

#include <gst/gst.h>

#include <mutex>

namespace quabrel::testing {

namespace {

std::mutex g_mutex;
std::vector<FakeDevice> g_devices;

// ---------------------------------------------------------------- device

struct FakeGstDevice {
    GstDevice parent;
    FakeDevice::Kind kind;
    int pattern;
};
struct FakeGstDeviceClass {
    GstDeviceClass parent;
};

GType FakeGstDeviceType();

GstElement* CreateElement(GstDevice* device, const gchar* name) {
    const auto* fake = reinterpret_cast<FakeGstDevice*>(device);
    switch (fake->kind) {
    case FakeDevice::kBusyCamera:
        return gst_element_factory_make("quabrelbusysrc", name);
    case FakeDevice::kMicrophone: {
        GstElement* source = gst_element_factory_make("audiotestsrc", name);
        if (source != nullptr) g_object_set(source, "is-live", TRUE, nullptr);
        return source;
    }
    case FakeDevice::kCamera:
        break;
    }
    GstElement* source = gst_element_factory_make("videotestsrc", name);
    if (source != nullptr) g_object_set(source, "is-live", TRUE, "pattern", fake->pattern, nullptr);
    return source;
}

void FakeGstDeviceClassInit(gpointer klass, gpointer) { GST_DEVICE_CLASS(klass)->create_element = CreateElement; }

GType FakeGstDeviceType() {
    static const GType type = g_type_register_static_simple(
        GST_TYPE_DEVICE, "QuabrelFakeDevice", sizeof(FakeGstDeviceClass), FakeGstDeviceClassInit, sizeof(FakeGstDevice),
        nullptr, GTypeFlags(0));
    return type;
}

GstDevice* MakeDevice(const FakeDevice& spec) {
    const bool audio = spec.kind == FakeDevice::kMicrophone;
    GstCaps* caps = gst_caps_new_empty_simple(audio ? "audio/x-raw" : "video/x-raw");
    GstStructure* properties = gst_structure_new("properties", "device.path", G_TYPE_STRING, spec.path.c_str(), nullptr);
    if (!spec.description.empty())
        gst_structure_set(properties, "device.description", G_TYPE_STRING, spec.description.c_str(), nullptr);
    auto* device = static_cast<GstDevice*>(g_object_new(FakeGstDeviceType(), "display-name", spec.displayName.c_str(),
                                                        "device-class", audio ? "Audio/Source" : "Video/Source", "caps",
                                                        caps, "properties", properties, nullptr));
    gst_caps_unref(caps);
    gst_structure_free(properties);
    auto* fake = reinterpret_cast<FakeGstDevice*>(device);
    fake->kind = spec.kind;
    fake->pattern = spec.pattern;
    return device;
}

// ---------------------------------------------------------------- provider

struct FakeProvider {
    GstDeviceProvider parent;
};
struct FakeProviderClass {
    GstDeviceProviderClass parent;
};

GList* Probe(GstDeviceProvider*) {
    std::lock_guard lock(g_mutex);
    GList* list = nullptr;
    for (const FakeDevice& spec : g_devices) list = g_list_append(list, gst_object_ref_sink(MakeDevice(spec)));
    return list;
}

void FakeProviderClassInit(gpointer klass, gpointer) {
    auto* provider = GST_DEVICE_PROVIDER_CLASS(klass);
    provider->probe = Probe;
    gst_device_provider_class_set_static_metadata(provider, "Quabrel test devices", "Source/Video/Audio",
                                                  "Cameras and a microphone for tests", "quabrel");
}

GType FakeProviderType() {
    static const GType type = g_type_register_static_simple(GST_TYPE_DEVICE_PROVIDER, "QuabrelFakeProvider",
                                                             sizeof(FakeProviderClass), FakeProviderClassInit,
                                                             sizeof(FakeProvider), nullptr, GTypeFlags(0));
    return type;
}

// ---------------------------------------------------------------- busy source

// Refuses to open, as a camera that another program streams from.
struct BusySource {
    GstElement parent;
};
struct BusySourceClass {
    GstElementClass parent;
};

GstStaticPadTemplate g_busyTemplate = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw"));

GstStateChangeReturn BusyChangeState(GstElement* element, GstStateChange transition) {
    if (transition == GST_STATE_CHANGE_NULL_TO_READY) {
        GST_ELEMENT_ERROR(element, RESOURCE, BUSY, ("Device is busy"), (nullptr));
        return GST_STATE_CHANGE_FAILURE;
    }
    return GST_ELEMENT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(element)))->change_state(element, transition);
}

void BusySourceClassInit(gpointer klass, gpointer) {
    auto* element = GST_ELEMENT_CLASS(klass);
    element->change_state = BusyChangeState;
    gst_element_class_add_static_pad_template(element, &g_busyTemplate);
    gst_element_class_set_static_metadata(element, "Busy camera", "Source/Video", "Never opens", "quabrel");
}

void BusySourceInit(GTypeInstance* instance, gpointer klass) {
    GstPadTemplate* templ = gst_element_class_get_pad_template(GST_ELEMENT_CLASS(klass), "src");
    gst_element_add_pad(GST_ELEMENT(instance), gst_pad_new_from_template(templ, "src"));
}

GType BusySourceType() {
    static const GType type = [] {
        const GTypeInfo info{sizeof(BusySourceClass), nullptr, nullptr, BusySourceClassInit, nullptr, nullptr,
                             sizeof(BusySource), 0, BusySourceInit, nullptr};
        return g_type_register_static(GST_TYPE_ELEMENT, "QuabrelBusySource", &info, GTypeFlags(0));
    }();
    return type;
}

gboolean PluginInit(GstPlugin* plugin) {
    return gst_device_provider_register(plugin, "quabrelfakeprovider", GST_RANK_PRIMARY, FakeProviderType()) &&
           gst_element_register(plugin, "quabrelbusysrc", GST_RANK_NONE, BusySourceType());
}

}  // namespace

constexpr int kStillBars = 19;  // videotestsrc "smpte100"

std::vector<FakeDevice> StandardFakeDevices() {
    return {
        // Colour bars without the noise patch: every frame is the same.
        {"Fake Camera Full", "", "/fake/full", FakeDevice::kCamera, kStillBars},
        {"Fake Camera Bright", "", "/fake/bright", FakeDevice::kCamera, kStillBars},
        {"Fake Camera Plain", "", "/fake/plain", FakeDevice::kCamera, kStillBars},
        {"Fake Camera Busy", "", "/fake/busy", FakeDevice::kBusyCamera, 0},
        {"Quabrel", "", "/fake/quabrel", FakeDevice::kCamera, kStillBars},
        {"Fake Microphone", "", "/fake/mic", FakeDevice::kMicrophone, 0},
    };
}

void OfferFakeDevices(std::vector<FakeDevice> devices) {
    static const bool registered =
        gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "quabrelfake", "Test capture devices", PluginInit,
                                   "1.0", "LGPL", "quabrel", "quabrel", "https://example.invalid");
    (void)registered;
    std::lock_guard lock(g_mutex);
    g_devices = std::move(devices);
}

}  // namespace quabrel::testing
