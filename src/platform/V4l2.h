#pragma once

#include "platform/HResult.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quabrel {

// Every open, ioctl and write on a device node goes through one replaceable
// object, so tests can stand in for cameras and the companion device.
class V4l2Io {
public:
    virtual ~V4l2Io() = default;
    virtual int Open(const std::string& path, int flags) = 0;
    virtual int Close(int fd) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual long Write(int fd, const void* data, std::size_t size) = 0;
};

// The one in use: the system's unless a test installed another. Passing
// null puts the system's back.
V4l2Io& CurrentV4l2Io();
void SetV4l2Io(V4l2Io* io);

// An ioctl that is retried when a signal interrupts it.
int XIoctl(int fd, unsigned long request, void* arg);

// An open device node, closed with the object.
class DeviceNode {
public:
    static std::unique_ptr<DeviceNode> Open(const std::string& path);
    ~DeviceNode();
    DeviceNode(const DeviceNode&) = delete;
    DeviceNode& operator=(const DeviceNode&) = delete;
    int Fd() const { return m_fd; }

private:
    explicit DeviceNode(int fd) : m_fd(fd) {}
    int m_fd;
};

// The picture controls of a camera: brightness, contrast and saturation as
// V4L2 controls, under the property numbers the engine uses.
class VideoProcAmp {
public:
    enum Property : long { kBrightness = 0, kContrast = 1, kSaturation = 3 };
    static constexpr long kFlagsManual = 2;

    // Null when the device has no node that opens.
    static std::unique_ptr<VideoProcAmp> Open(const std::string& devicePath);

    HRESULT GetRange(long property, int32_t* minimum, int32_t* maximum, int32_t* step, int32_t* defaultValue,
                     long* capsFlags) const;
    HRESULT Get(long property, int32_t* value, long* flags) const;
    HRESULT Set(long property, int32_t value, long flags) const;

private:
    explicit VideoProcAmp(std::unique_ptr<DeviceNode> node) : m_node(std::move(node)) {}
    std::unique_ptr<DeviceNode> m_node;
};

// The companion device's node (a v4l2loopback device): what other programs
// read as the adjusted camera. Its output side takes YUYV frames (BT.601,
// limited range: what every V4L2 reader decodes) of the size set last.
class CompanionDevice {
public:
    // Null when the node does not open.
    static std::unique_ptr<CompanionDevice> Open(const std::string& devicePath);

    // The output format: YUYV, width x height, `length` bytes a frame.
    HRESULT SetOutputFormat(int32_t width, int32_t height, int32_t length) const;
    HRESULT WriteFrame(const uint8_t* frame, std::size_t length) const;

private:
    explicit CompanionDevice(std::unique_ptr<DeviceNode> node) : m_node(std::move(node)) {}
    std::unique_ptr<DeviceNode> m_node;
};

}  // namespace quabrel
