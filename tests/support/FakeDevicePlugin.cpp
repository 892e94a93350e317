// The fake capture devices as a loadable GStreamer plugin, so end-to-end
// runs of the real program see cameras without hardware: the test points
// GStreamer's plugin path at this module's folder.
#include "support/FakeDevices.h"

#define PACKAGE "quabrel"

namespace {

gboolean PluginInit(GstPlugin* plugin) {
    quabrel::testing::SetFakeDevices(quabrel::testing::StandardFakeDevices());
    return quabrel::testing::RegisterFakeDeviceFeatures(plugin);
}

}  // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, quabrelfake, "Test capture devices", PluginInit, "1.0", "LGPL",
                  PACKAGE, "https://example.invalid")
