#include "support/FakeV4l2.h"

#include <cerrno>
#include <cstring>

namespace quabrel::testing {

FakeV4l2::FakeV4l2() {
    m_nodes["/fake/full"].controls = {{V4L2_CID_BRIGHTNESS, {0, 255, 1, 128, 140}},
                                      {V4L2_CID_CONTRAST, {0, 127, 1, 64, 64}},
                                      {V4L2_CID_SATURATION, {0, 200, 2, 100, 90}}};
    m_nodes["/fake/bright"].controls = {{V4L2_CID_BRIGHTNESS, {-64, 64, 1, 0, 10}}};
    m_nodes["/fake/plain"];
    m_nodes["/fake/quabrel"];
    SetV4l2Io(this);
}

FakeV4l2::~FakeV4l2() { SetV4l2Io(nullptr); }

FakeV4l2::Node FakeV4l2::Snapshot(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_nodes.find(path);
    return found == m_nodes.end() ? Node{} : found->second;
}

void FakeV4l2::SetControlValue(const std::string& path, uint32_t id, int32_t value) {
    std::lock_guard lock(m_mutex);
    m_nodes[path].controls[id].value = value;
}

void FakeV4l2::ClearRecords() {
    std::lock_guard lock(m_mutex);
    for (auto& [path, node] : m_nodes) node = Node{node.controls, {}, {}, {}, {}};
}

int FakeV4l2::OpenCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_open.size());
}

int FakeV4l2::Open(const std::string& path, int) {
    std::lock_guard lock(m_mutex);
    if (!m_nodes.count(path)) {
        errno = ENOENT;
        return -1;
    }
    m_open[m_nextFd] = path;
    return m_nextFd++;
}

int FakeV4l2::Close(int fd) {
    std::lock_guard lock(m_mutex);
    return m_open.erase(fd) ? 0 : -1;
}

FakeV4l2::Node* FakeV4l2::NodeOf(int fd) {
    const auto open = m_open.find(fd);
    return open == m_open.end() ? nullptr : &m_nodes[open->second];
}

int FakeV4l2::Ioctl(int fd, unsigned long request, void* arg) {
    std::lock_guard lock(m_mutex);
    Node* node = NodeOf(fd);
    if (node == nullptr) {
        errno = EBADF;
        return -1;
    }
    auto control = [&](uint32_t id) -> Control* {
        const auto found = node->controls.find(id);
        return found == node->controls.end() ? nullptr : &found->second;
    };
    switch (request) {
    case VIDIOC_QUERYCTRL: {
        auto* query = static_cast<v4l2_queryctrl*>(arg);
        const Control* c = control(query->id);
        if (c == nullptr) break;
        query->minimum = c->minimum;
        query->maximum = c->maximum;
        query->step = c->step;
        query->default_value = c->defaultValue;
        query->flags = 0;
        return 0;
    }
    case VIDIOC_G_CTRL: {
        auto* ctrl = static_cast<v4l2_control*>(arg);
        const Control* c = control(ctrl->id);
        if (c == nullptr) break;
        ctrl->value = c->value;
        return 0;
    }
    case VIDIOC_S_CTRL: {
        auto* ctrl = static_cast<v4l2_control*>(arg);
        Control* c = control(ctrl->id);
        if (c == nullptr) break;
        c->value = ctrl->value;
        node->sets.emplace_back(ctrl->id, ctrl->value);
        return 0;
    }
    case VIDIOC_S_FMT:
        node->formats.push_back(*static_cast<v4l2_format*>(arg));
        return 0;
    default:
        break;
    }
    errno = EINVAL;
    return -1;
}

long FakeV4l2::Write(int fd, const void* data, std::size_t size) {
    std::lock_guard lock(m_mutex);
    Node* node = NodeOf(fd);
    if (node == nullptr) {
        errno = EBADF;
        return -1;
    }
    node->frameSizes.push_back(size);
    node->lastFrame.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return static_cast<long>(size);
}

}  // namespace quabrel::testing
