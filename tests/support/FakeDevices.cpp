#include "support/FakeDevices.h"

#include "platform/media/GstPtr.h"

#include <atomic>
#include <mutex>
#include <string>

namespace quabrel::testing {

namespace {

std::mutex g_mutex;
std::vector<FakeDevice> g_devices;

// ---------------------------------------------------------------- device

struct FakeGstDevice {
    GstDevice parent;
    FakeDevice* spec;  // owned: the device outlives any change of the offer
};
struct FakeGstDeviceClass {
    GstDeviceClass parent;
};

GType FakeGstDeviceType();

// Counts frames and, past the limit, fails as a camera pulled out does: an
// error on the bus and no frame after it.
struct FailureCounter {
    GstElement* camera;  // not owned: the probe dies with the camera's pad
    int limit;
    std::atomic<int> frames{0};
};

GstPadProbeReturn CountTowardsFailure(GstPad*, GstPadProbeInfo*, gpointer data) {
    auto* counter = static_cast<FailureCounter*>(data);
    const int frame = ++counter->frames;
    if (frame < counter->limit) return GST_PAD_PROBE_OK;
    if (frame == counter->limit) GST_ELEMENT_ERROR(counter->camera, RESOURCE, READ, ("Device went away"), (nullptr));
    return GST_PAD_PROBE_DROP;
}

// Cuts one picture short, as a camera on a bad cable or a busy bus sends
// now and then: its first half, without the rest of its data or its end.
struct BrokenPicture {
    int at;
    std::atomic<int> frames{0};
};

GstPadProbeReturn BreakPicture(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* broken = static_cast<BrokenPicture*>(data);
    if (++broken->frames != broken->at) return GST_PAD_PROBE_OK;
    GstBuffer* original = GST_PAD_PROBE_INFO_BUFFER(info);
    GST_PAD_PROBE_INFO_DATA(info) =
        gst_buffer_copy_region(original, GST_BUFFER_COPY_ALL, 0, gst_buffer_get_size(original) / 2);
    gst_buffer_unref(original);
    return GST_PAD_PROBE_OK;
}

// A camera: a live test pattern that negotiates only what the camera offers,
// as raw frames or as real JPEG pictures.
GstElement* MakeCamera(const FakeDevice& spec, const gchar* name) {
    GstElement* camera = gst_bin_new(name);
    GstElement* pattern = gst_element_factory_make("videotestsrc", nullptr);
    GstElement* encoder = spec.jpeg ? gst_element_factory_make("jpegenc", nullptr) : nullptr;
    GstElement* offer = gst_element_factory_make("capsfilter", nullptr);
    if (camera == nullptr || pattern == nullptr || offer == nullptr || (spec.jpeg && encoder == nullptr)) return nullptr;
    g_object_set(pattern, "is-live", TRUE, "pattern", spec.pattern, nullptr);
    const auto caps = GstPtr<GstCaps>::Adopt(OfferedCaps(spec));
    g_object_set(offer, "caps", caps.get(), nullptr);
    gst_bin_add_many(GST_BIN(camera), pattern, offer, nullptr);  // the bin takes the floating references
    if (encoder != nullptr) {
        gst_bin_add(GST_BIN(camera), encoder);
        gst_element_link_many(pattern, encoder, offer, nullptr);
    } else {
        gst_element_link(pattern, offer);
    }
    const GstPtr<GstPad> out = StaticPad(offer, "src");
    if (spec.brokenFrame > 0)
        gst_pad_add_probe(out.get(), GST_PAD_PROBE_TYPE_BUFFER, BreakPicture, new BrokenPicture{spec.brokenFrame},
                          [](gpointer data) { delete static_cast<BrokenPicture*>(data); });
    gst_element_add_pad(camera, gst_ghost_pad_new("src", out.get()));
    if (spec.failAfterFrames > 0) {
        auto* counter = new FailureCounter{camera, spec.failAfterFrames};
        gst_pad_add_probe(out.get(), GST_PAD_PROBE_TYPE_BUFFER, CountTowardsFailure, counter,
                          [](gpointer data) { delete static_cast<FailureCounter*>(data); });
    }
    return camera;
}

GstElement* CreateElement(GstDevice* device, const gchar* name) {
    const FakeDevice& spec = *reinterpret_cast<FakeGstDevice*>(device)->spec;
    switch (spec.kind) {
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
    return MakeCamera(spec, name);
}

GObjectClass* g_deviceParentClass = nullptr;

void FakeGstDeviceFinalize(GObject* object) {
    delete reinterpret_cast<FakeGstDevice*>(object)->spec;
    g_deviceParentClass->finalize(object);
}

void FakeGstDeviceClassInit(gpointer klass, gpointer) {
    g_deviceParentClass = G_OBJECT_CLASS(g_type_class_peek_parent(klass));
    G_OBJECT_CLASS(klass)->finalize = FakeGstDeviceFinalize;
    GST_DEVICE_CLASS(klass)->create_element = CreateElement;
}

GType FakeGstDeviceType() {
    static const GType type = g_type_register_static_simple(
        GST_TYPE_DEVICE, "QuabrelFakeDevice", sizeof(FakeGstDeviceClass), FakeGstDeviceClassInit, sizeof(FakeGstDevice),
        nullptr, GTypeFlags(0));
    return type;
}

GstDevice* MakeDevice(const FakeDevice& spec) {
    const bool audio = spec.kind == FakeDevice::kMicrophone;
    const auto caps = GstPtr<GstCaps>::Adopt(audio || spec.kind == FakeDevice::kBusyCamera
                                                 ? gst_caps_new_empty_simple(audio ? "audio/x-raw" : "video/x-raw")
                                                 : OfferedCaps(spec));
    const GstStructurePtr properties(
        gst_structure_new("properties", "device.path", G_TYPE_STRING, spec.path.c_str(), nullptr));
    if (!spec.description.empty())
        gst_structure_set(properties.get(), "device.description", G_TYPE_STRING, spec.description.c_str(), nullptr);
    auto* device = static_cast<GstDevice*>(g_object_new(FakeGstDeviceType(), "display-name", spec.displayName.c_str(),
                                                        "device-class", audio ? "Audio/Source" : "Video/Source", "caps",
                                                        caps.get(), "properties", properties.get(), nullptr));
    reinterpret_cast<FakeGstDevice*>(device)->spec = new FakeDevice(spec);
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

}  // namespace

GstCaps* OfferedCaps(const FakeDevice& camera) {
    std::string rates;
    for (int rate : camera.rates) {
        if (!rates.empty()) rates += ',';
        rates += std::to_string(rate);
        rates += "/1";
    }
    std::string text;
    for (const auto& [width, height] : camera.sizes)
        text += std::string(camera.jpeg ? "image/jpeg" : "video/x-raw,format=YUY2") + ",width=" + std::to_string(width) +
                ",height=" + std::to_string(height) +
                ",framerate={" + rates + "};";
    return gst_caps_from_string(text.c_str());
}

gboolean RegisterFakeDeviceFeatures(GstPlugin* plugin) {
    return gst_device_provider_register(plugin, "quabrelfakeprovider", GST_RANK_PRIMARY, FakeProviderType()) &&
           gst_element_register(plugin, "quabrelbusysrc", GST_RANK_NONE, BusySourceType());
}

constexpr int kStillBars = 19;  // videotestsrc "smpte100"

std::vector<FakeDevice> StandardFakeDevices() {
    // Colour bars without the noise patch: every frame is the same.
    FakeDevice full{"Fake Camera Full", "", "/fake/full", FakeDevice::kCamera, kStillBars};
    full.sizes = {{320, 240}, {640, 480}};
    FakeDevice bright{"Fake Camera Bright", "", "/fake/bright", FakeDevice::kCamera, kStillBars};
    bright.rates = {30, 15, 10, 5};
    FakeDevice plain{"Fake Camera Plain", "", "/fake/plain", FakeDevice::kCamera, kStillBars};
    plain.sizes = {{160, 120}, {320, 240}};
    plain.rates = {30, 25, 20, 15, 10, 5};
    FakeDevice vga{"Fake Camera VGA", "", "/fake/vga", FakeDevice::kCamera, kStillBars};
    vga.sizes = {{640, 480}};
    return {
        full,
        bright,
        plain,
        vga,
        {"Fake Camera Busy", "", "/fake/busy", FakeDevice::kBusyCamera, 0},
        {"Quabrel", "", "/fake/quabrel", FakeDevice::kCamera, kStillBars},
        {"Fake Microphone", "", "/fake/mic", FakeDevice::kMicrophone, 0},
    };
}

void SetFakeDevices(std::vector<FakeDevice> devices) {
    std::lock_guard lock(g_mutex);
    g_devices = std::move(devices);
}

void OfferFakeDevices(std::vector<FakeDevice> devices) {
    static const bool registered = gst_plugin_register_static(
        GST_VERSION_MAJOR, GST_VERSION_MINOR, "quabrelfake", "Test capture devices", RegisterFakeDeviceFeatures, "1.0",
        "LGPL", "quabrel", "quabrel", "https://example.invalid");
    (void)registered;
    SetFakeDevices(std::move(devices));
}

}  // namespace quabrel::testing
