#include "platform/V4l2.h"

#include <linux/videodev2.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quabrel {

namespace {

class SystemV4l2Io final : public V4l2Io {
public:
    int Open(const std::string& path, int flags) override { return ::open(path.c_str(), flags | O_CLOEXEC); }
    int Close(int fd) override { return ::close(fd); }
    int Ioctl(int fd, unsigned long request, void* arg) override { return ::ioctl(fd, request, arg); }
    long Write(int fd, const void* data, std::size_t size) override { return ::write(fd, data, size); }
};

SystemV4l2Io g_systemIo;
// Read by the streaming thread for companion writes: swapped only by tests,
// while nothing streams.
std::atomic<V4l2Io*> g_io{&g_systemIo};

uint32_t ControlId(long property) {
    switch (property) {
    case VideoProcAmp::kBrightness: return V4L2_CID_BRIGHTNESS;
    case VideoProcAmp::kContrast: return V4L2_CID_CONTRAST;
    case VideoProcAmp::kSaturation: return V4L2_CID_SATURATION;
    default: return 0;
    }
}

}  // namespace

V4l2Io& CurrentV4l2Io() { return *g_io.load(std::memory_order_acquire); }

void SetV4l2Io(V4l2Io* io) { g_io.store(io != nullptr ? io : &g_systemIo, std::memory_order_release); }

int XIoctl(int fd, unsigned long request, void* arg) {
    int result;
    do {
        result = CurrentV4l2Io().Ioctl(fd, request, arg);
    } while (result == -1 && errno == EINTR);
    return result;
}

std::unique_ptr<DeviceNode> DeviceNode::Open(const std::string& path) {
    if (path.empty()) return nullptr;
    const int fd = CurrentV4l2Io().Open(path, O_RDWR | O_NONBLOCK);
    return fd < 0 ? nullptr : std::unique_ptr<DeviceNode>(new DeviceNode(fd));
}

DeviceNode::~DeviceNode() { CurrentV4l2Io().Close(m_fd); }

std::unique_ptr<VideoProcAmp> VideoProcAmp::Open(const std::string& devicePath) {
    auto node = DeviceNode::Open(devicePath);
    return node ? std::unique_ptr<VideoProcAmp>(new VideoProcAmp(std::move(node))) : nullptr;
}

HRESULT VideoProcAmp::GetRange(long property, int32_t* minimum, int32_t* maximum, int32_t* step, int32_t* defaultValue,
                               long* capsFlags) const {
    v4l2_queryctrl query{};
    query.id = ControlId(property);
    if (query.id == 0 || XIoctl(m_node->Fd(), VIDIOC_QUERYCTRL, &query) < 0 || (query.flags & V4L2_CTRL_FLAG_DISABLED))
        return E_FAIL;
    *minimum = query.minimum;
    *maximum = query.maximum;
    *step = query.step;
    *defaultValue = query.default_value;
    *capsFlags = kFlagsManual;
    return S_OK;
}

HRESULT VideoProcAmp::Get(long property, int32_t* value, long* flags) const {
    v4l2_control control{ControlId(property), 0};
    if (control.id == 0 || XIoctl(m_node->Fd(), VIDIOC_G_CTRL, &control) < 0) return E_FAIL;
    *value = control.value;
    *flags = kFlagsManual;
    return S_OK;
}

HRESULT VideoProcAmp::Set(long property, int32_t value, long) const {
    v4l2_control control{ControlId(property), value};
    return control.id != 0 && XIoctl(m_node->Fd(), VIDIOC_S_CTRL, &control) == 0 ? S_OK : E_FAIL;
}

std::unique_ptr<CompanionDevice> CompanionDevice::Open(const std::string& devicePath) {
    auto node = DeviceNode::Open(devicePath);
    return node ? std::unique_ptr<CompanionDevice>(new CompanionDevice(std::move(node))) : nullptr;
}

HRESULT CompanionDevice::SetOutputFormat(int32_t width, int32_t height, int32_t length) const {
    if (width <= 0 || height <= 0 || length <= 0) return E_FAIL;
    // The loopback device's output side: what other programs will read.
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    format.fmt.pix.width = static_cast<uint32_t>(width);
    format.fmt.pix.height = static_cast<uint32_t>(height);
    // Browsers' V4L2 capture takes no BGR; YUYV every reader takes.
    format.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    format.fmt.pix.bytesperline = static_cast<uint32_t>(width) * 2;
    format.fmt.pix.sizeimage = static_cast<uint32_t>(length);
    format.fmt.pix.colorspace = V4L2_COLORSPACE_SMPTE170M;
    format.fmt.pix.ycbcr_enc = V4L2_YCBCR_ENC_601;
    format.fmt.pix.quantization = V4L2_QUANTIZATION_LIM_RANGE;
    format.fmt.pix.xfer_func = V4L2_XFER_FUNC_709;
    return XIoctl(m_node->Fd(), VIDIOC_S_FMT, &format) < 0 ? E_FAIL : S_OK;
}

HRESULT CompanionDevice::WriteFrame(const uint8_t* frame, std::size_t length) const {
    if (frame == nullptr) return E_FAIL;
    return CurrentV4l2Io().Write(m_node->Fd(), frame, length) < 0 ? E_FAIL : S_OK;
}

}  // namespace quabrel
