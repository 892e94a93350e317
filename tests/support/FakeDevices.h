#pragma once

#include <string>
#include <vector>

namespace quabrel::testing {

// Capture devices without hardware: a GStreamer device provider, registered
// from a static plugin, that offers the devices listed here. Video devices
// are test-pattern sources; "busy" ones fail to open as a held camera does.
struct FakeDevice {
    std::string displayName;
    std::string description;  // listed under this instead when not empty
    std::string path;         // the device node the engine talks to
    enum Kind { kCamera, kBusyCamera, kMicrophone } kind = kCamera;
    int pattern = 0;  // videotestsrc pattern: tells twins apart
};

// The usual set: three cameras with different controls (see FakeV4l2), one
// busy camera, the companion and a microphone.
std::vector<FakeDevice> StandardFakeDevices();

// Registers the plugin once (after gst_init) and offers `devices` from now on.
void OfferFakeDevices(std::vector<FakeDevice> devices);

}  // namespace quabrel::testing
