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

// The request vocabulary the frame callback speaks to the companion device:
// a property request of a known set, id 3 for the 12-byte header (width,
// height, frame length) and 6 for a frame.
struct Guid {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];
    bool operator==(const Guid&) const = default;
};

inline constexpr Guid PROPSETID_VIDCAP_CAMERACONTROL{0xC6E13370, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
inline constexpr uint32_t KSPROPERTY_TYPE_SET = 2;
inline constexpr uint32_t kCompanionHeaderId = 3;
inline constexpr uint32_t kCompanionFrameId = 6;
inline constexpr unsigned long IOCTL_KS_PROPERTY = 0x002F0003;

struct KsProperty {
    Guid set;
    uint32_t id;
    uint32_t flags;
};
static_assert(sizeof(KsProperty) == 24);

struct CompanionHeader {
    int32_t width, height, length;
};
static_assert(sizeof(CompanionHeader) == 12);

// The companion device's node (a v4l2loopback device): the header sets its
// output format (24-bit BGR, that size, that frame length), a frame is
// written to it.
class KsObject {
public:
    static std::unique_ptr<KsObject> Open(const std::string& devicePath);
    int KsGetObjectHandle() const;

private:
    explicit KsObject(std::unique_ptr<DeviceNode> node) : m_node(std::move(node)) {}
    std::unique_ptr<DeviceNode> m_node;
};

HRESULT KsSynchronousDeviceControl(int handle, unsigned long ioControl, const void* property, uint32_t propertyLength,
                                   void* data, uint32_t dataLength, uint32_t* bytesReturned);

}  // namespace quabrel
