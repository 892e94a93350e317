#include "support/FakeV4l2.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quabrel::testing {

FakeV4l2::FakeV4l2() {
    Node& full = m_nodes["/fake/full"];
    full.controls = {
        {V4L2_CID_USER_CLASS, {0, 0, 0, 0, 0, V4L2_CTRL_TYPE_CTRL_CLASS, "User Controls",
                               V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY}},
        {V4L2_CID_BRIGHTNESS, {0, 255, 1, 128, 140, V4L2_CTRL_TYPE_INTEGER, "Brightness"}},
        {V4L2_CID_CONTRAST, {0, 127, 1, 64, 64, V4L2_CTRL_TYPE_INTEGER, "Contrast"}},
        {V4L2_CID_SATURATION, {0, 200, 2, 100, 90, V4L2_CTRL_TYPE_INTEGER, "Saturation"}},
        {V4L2_CID_HFLIP, {0, 1, 1, 0, 0, V4L2_CTRL_TYPE_BOOLEAN, "Horizontal Flip"}},
        {V4L2_CID_POWER_LINE_FREQUENCY,
         {0, 2, 1, 1, 1, V4L2_CTRL_TYPE_MENU, "Power Line Frequency", 0, {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}}},
        {V4L2_CID_GAIN, {0, 100, 1, 10, 33, V4L2_CTRL_TYPE_INTEGER, "Gain", V4L2_CTRL_FLAG_READ_ONLY}},
        {V4L2_CID_HUE, {-10, 10, 1, 0, 0, V4L2_CTRL_TYPE_INTEGER, "Hue", V4L2_CTRL_FLAG_DISABLED}},
        {V4L2_CID_CAMERA_CLASS, {0, 0, 0, 0, 0, V4L2_CTRL_TYPE_CTRL_CLASS, "Camera Controls",
                                 V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY}},
        // A menu with gaps, as cameras have: only manual and aperture priority;
        // the kernel marks an automatic mode as changing others.
        {V4L2_CID_EXPOSURE_AUTO,
         {0, 3, 1, 3, 3, V4L2_CTRL_TYPE_MENU, "Auto Exposure", V4L2_CTRL_FLAG_UPDATE,
          {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}}},
        {V4L2_CID_EXPOSURE_ABSOLUTE,
         {3, 2047, 1, 250, 250, V4L2_CTRL_TYPE_INTEGER, "Exposure Time, Absolute", V4L2_CTRL_FLAG_INACTIVE}},
        {V4L2_CID_AUTO_EXPOSURE_BIAS,
         {0, 2, 1, 1, 1, V4L2_CTRL_TYPE_INTEGER_MENU, "Exposure Bias", 0, {}, {{0, -2}, {1, 0}, {2, 2}}}},
        {V4L2_CID_PAN_RESET, {0, 0, 0, 0, 0, V4L2_CTRL_TYPE_BUTTON, "Pan, Reset", V4L2_CTRL_FLAG_WRITE_ONLY}},
    };
    full.inputs = {{"Camera 1", 0}, {"Composite", V4L2_STD_PAL | V4L2_STD_NTSC}, {"S-Video", V4L2_STD_PAL | V4L2_STD_NTSC}};
    Node& bright = m_nodes["/fake/bright"];
    bright.controls = {{V4L2_CID_BRIGHTNESS, {-64, 64, 1, 0, 10, V4L2_CTRL_TYPE_INTEGER, "Brightness"}}};
    bright.inputs = {{"Camera", 0}};
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
    for (auto& [path, node] : m_nodes) {
        node.formats.clear();
        node.frameSizes.clear();
        node.lastFrame.clear();
        node.sets.clear();
        node.inputSets.clear();
    }
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

// As the kernel's control framework (and the webcam driver) take a value:
// read-only and inactive controls refuse it, a disabled one does not exist,
// a number is clamped to the range and rounded to the step from the
// minimum, a menu takes only an index it has; the caller learns the value
// kept.
int FakeV4l2::Store(Control& c, int32_t* value) {
    if (c.flags & V4L2_CTRL_FLAG_DISABLED) return EINVAL;
    if (c.flags & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_INACTIVE)) return EACCES;
    switch (c.type) {
    case V4L2_CTRL_TYPE_BUTTON:
        return 0;
    case V4L2_CTRL_TYPE_BOOLEAN:
        *value = *value != 0;
        break;
    case V4L2_CTRL_TYPE_MENU:
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        if (*value < c.minimum || *value > c.maximum) return EINVAL;
        if (!c.menu.count(static_cast<uint32_t>(*value)) && !c.integerMenu.count(static_cast<uint32_t>(*value)))
            return EINVAL;
        break;
    default: {  // the kernel's rounding: to the nearest step, never past the maximum
        const int64_t step = c.step > 0 ? c.step : 1;
        int64_t v = *value >= int64_t{c.maximum} - step / 2 ? int64_t{c.maximum} : *value + step / 2;
        v = std::clamp<int64_t>(v, c.minimum, c.maximum);
        *value = static_cast<int32_t>(c.minimum + (v - c.minimum) / step * step);
        break;
    }
    }
    c.value = *value;
    return 0;
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
        query->type = c->type;
        std::strncpy(reinterpret_cast<char*>(query->name), c->name.c_str(), sizeof query->name - 1);
        query->flags = c->flags;
        return 0;
    }
    case VIDIOC_G_CTRL: {
        auto* ctrl = static_cast<v4l2_control*>(arg);
        const Control* c = control(ctrl->id);
        if (c == nullptr) break;
        if (c->flags & V4L2_CTRL_FLAG_WRITE_ONLY) {
            errno = EACCES;
            return -1;
        }
        ctrl->value = c->value;
        return 0;
    }
    case VIDIOC_S_CTRL: {
        auto* ctrl = static_cast<v4l2_control*>(arg);
        Control* c = control(ctrl->id);
        if (c == nullptr) break;
        if (const int refused = Store(*c, &ctrl->value)) {
            errno = refused;
            return -1;
        }
        node->sets.emplace_back(ctrl->id, ctrl->value);
        return 0;
    }
    case VIDIOC_QUERY_EXT_CTRL: {
        auto* query = static_cast<v4l2_query_ext_ctrl*>(arg);
        const uint32_t next = V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND;
        const uint32_t id = query->id & ~next;
        const auto found = (query->id & next) != 0 ? node->controls.upper_bound(id) : node->controls.find(id);
        if (found == node->controls.end()) break;
        const Control& c = found->second;
        std::memset(query, 0, sizeof *query);
        query->id = found->first;
        query->type = c.type;
        std::strncpy(query->name, c.name.c_str(), sizeof query->name - 1);
        query->minimum = c.minimum;
        query->maximum = c.maximum;
        query->step = static_cast<uint64_t>(c.step);
        query->default_value = c.defaultValue;
        query->flags = c.flags;
        return 0;
    }
    case VIDIOC_QUERYMENU: {
        auto* item = static_cast<v4l2_querymenu*>(arg);
        const Control* c = control(item->id);
        if (c == nullptr) break;
        if (const auto label = c->menu.find(item->index); label != c->menu.end()) {
            std::strncpy(reinterpret_cast<char*>(item->name), label->second.c_str(), sizeof item->name - 1);
            return 0;
        }
        if (const auto value = c->integerMenu.find(item->index); value != c->integerMenu.end()) {
            item->value = value->second;
            return 0;
        }
        break;
    }
    case VIDIOC_G_EXT_CTRLS:
    case VIDIOC_S_EXT_CTRLS: {
        auto* controls = static_cast<v4l2_ext_controls*>(arg);
        for (uint32_t i = 0; i < controls->count; ++i) {
            v4l2_ext_control& one = controls->controls[i];
            Control* c = control(one.id);
            if (c == nullptr) {
                errno = EINVAL;
                return -1;
            }
            if (request == VIDIOC_G_EXT_CTRLS) {
                one.value = c->value;
                continue;
            }
            if (const int refused = Store(*c, &one.value)) {
                errno = refused;
                return -1;
            }
            node->sets.emplace_back(uint32_t{one.id}, int32_t{one.value});
            // The automatic exposure decides whether the manual one counts.
            if (one.id == V4L2_CID_EXPOSURE_AUTO) {
                if (Control* manual = control(V4L2_CID_EXPOSURE_ABSOLUTE)) {
                    if (one.value == V4L2_EXPOSURE_MANUAL)
                        manual->flags &= ~V4L2_CTRL_FLAG_INACTIVE;
                    else
                        manual->flags |= V4L2_CTRL_FLAG_INACTIVE;
                }
            }
        }
        return 0;
    }
    case VIDIOC_ENUMINPUT: {
        auto* input = static_cast<v4l2_input*>(arg);
        if (input->index >= node->inputs.size()) break;
        const Input& in = node->inputs[input->index];
        std::strncpy(reinterpret_cast<char*>(input->name), in.name.c_str(), sizeof input->name - 1);
        input->type = V4L2_INPUT_TYPE_CAMERA;
        input->std = in.standards;
        return 0;
    }
    case VIDIOC_G_INPUT:
        if (node->inputs.empty()) break;
        *static_cast<int*>(arg) = static_cast<int>(node->input);
        return 0;
    case VIDIOC_S_INPUT: {
        const int wanted = *static_cast<int*>(arg);
        if (wanted < 0 || static_cast<std::size_t>(wanted) >= node->inputs.size()) break;
        node->input = static_cast<uint32_t>(wanted);
        node->inputSets.push_back(node->input);
        return 0;
    }
    case VIDIOC_ENUMSTD: {
        auto* standard = static_cast<v4l2_standard*>(arg);
        if (node->inputs.empty() || node->inputs[node->input].standards == 0) break;
        static const std::pair<v4l2_std_id, const char*> kKnown[] = {{V4L2_STD_PAL, "PAL"}, {V4L2_STD_NTSC, "NTSC"}};
        std::vector<std::pair<v4l2_std_id, const char*>> offered;
        for (const auto& known : kKnown)
            if (node->inputs[node->input].standards & known.first) offered.push_back(known);
        if (standard->index >= offered.size()) break;
        standard->id = offered[standard->index].first;
        std::strncpy(reinterpret_cast<char*>(standard->name), offered[standard->index].second, sizeof standard->name - 1);
        return 0;
    }
    case VIDIOC_G_STD:
        if (node->inputs.empty() || node->inputs[node->input].standards == 0) break;
        *static_cast<v4l2_std_id*>(arg) = node->standard;
        return 0;
    case VIDIOC_S_STD:
        if (node->inputs.empty() || !(node->inputs[node->input].standards & *static_cast<v4l2_std_id*>(arg))) break;
        node->standard = *static_cast<v4l2_std_id*>(arg);
        return 0;
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
