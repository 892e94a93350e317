#pragma once

#include <string>
#include <utility>
#include <vector>

#include <gst/gst.h>

namespace quabrel::testing {

// Capture devices without hardware: a GStreamer device provider, registered
// from a static plugin, that offers the devices listed here. Cameras behave
// as real ones do: each offers a fixed list of sizes and of frame rates and
// refuses to negotiate anything else, a busy one fails to open, and one can
// fail mid-stream as an unplugged camera does.
struct FakeDevice {
    std::string displayName;
    std::string description;  // listed under this instead when not empty
    std::string path;         // the device node the engine talks to
    enum Kind { kCamera, kBusyCamera, kMicrophone } kind = kCamera;
    int pattern = 0;  // videotestsrc pattern: tells twins apart
    std::vector<std::pair<int, int>> sizes = {{320, 240}};
    std::vector<int> rates = {30, 15};  // frames per second, at every size
    int failAfterFrames = 0;            // > 0: a read error after that many frames
    // Each frame a JPEG picture (MJPEG), as many webcams send their sizes,
    // and none raw.
    bool jpeg = false;
    int brokenFrame = 0;  // > 0: that frame's picture arrives broken
};

// What a fake camera offers, as a real one states it in its caps.
GstCaps* OfferedCaps(const FakeDevice& camera);

// The usual set: cameras with different controls (see FakeV4l2), sizes and
// rates, one busy camera, the companion and a microphone.
std::vector<FakeDevice> StandardFakeDevices();

// Registers the fake devices' provider and elements with `plugin`: for a
// test binary's static plugin and for the loadable one that end-to-end runs
// of the real program use.
gboolean RegisterFakeDeviceFeatures(GstPlugin* plugin);

// Registers the plugin once (after gst_init) and offers `devices` from now on.
void OfferFakeDevices(std::vector<FakeDevice> devices);
// Offers `devices` from now on, without registering anything.
void SetFakeDevices(std::vector<FakeDevice> devices);

}  // namespace quabrel::testing
