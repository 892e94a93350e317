#include "platform/DeviceSettings.h"

#include <linux/videodev2.h>

#include <cstring>

namespace quabrel {

namespace {

DeviceControl::Kind KindOf(uint32_t type) {
    switch (type) {
    case V4L2_CTRL_TYPE_INTEGER:
    case V4L2_CTRL_TYPE_INTEGER64: return DeviceControl::Kind::kInteger;
    case V4L2_CTRL_TYPE_BOOLEAN: return DeviceControl::Kind::kBoolean;
    case V4L2_CTRL_TYPE_MENU: return DeviceControl::Kind::kMenu;
    case V4L2_CTRL_TYPE_INTEGER_MENU: return DeviceControl::Kind::kIntegerMenu;
    case V4L2_CTRL_TYPE_BUTTON: return DeviceControl::Kind::kButton;
    case V4L2_CTRL_TYPE_CTRL_CLASS: return DeviceControl::Kind::kClass;
    default: return DeviceControl::Kind::kOther;
    }
}

// A fixed-size name from the driver, which need not end in a zero.
template <std::size_t N>
std::string NameOf(const uint8_t (&name)[N]) {
    return std::string(reinterpret_cast<const char*>(name), strnlen(reinterpret_cast<const char*>(name), N));
}
template <std::size_t N>
std::string NameOf(const char (&name)[N]) {
    return std::string(name, strnlen(name, N));
}

// Hands each entry of a list the driver numbers from 0 to `take`, until it
// refuses an index; `limit` stops a driver that never does.
template <typename Entry, typename Take>
void ForEachIndexed(int fd, unsigned long request, uint32_t limit, Take take) {
    for (uint32_t index = 0; index < limit; ++index) {
        Entry entry{};
        entry.index = index;
        if (XIoctl(fd, request, &entry) != 0) return;
        take(entry);
    }
}

bool Writable(const DeviceControl& c) {
    return !c.readOnly && !c.disabled && !c.inactive &&
           (c.kind == DeviceControl::Kind::kInteger || c.kind == DeviceControl::Kind::kBoolean ||
            c.kind == DeviceControl::Kind::kMenu || c.kind == DeviceControl::Kind::kIntegerMenu);
}

}  // namespace

std::unique_ptr<DeviceSettings> DeviceSettings::Open(const std::string& devicePath) {
    auto node = DeviceNode::Open(devicePath);
    if (!node) return nullptr;
    return std::unique_ptr<DeviceSettings>(new DeviceSettings(std::move(node)));
}

std::vector<DeviceControl> DeviceSettings::Controls() const {
    std::vector<DeviceControl> controls;
    v4l2_query_ext_ctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND;
    // A driver that keeps answering with the same id would loop forever.
    for (int guard = 0; guard < 1024 && XIoctl(m_node->Fd(), VIDIOC_QUERY_EXT_CTRL, &query) == 0; ++guard) {
        DeviceControl c;
        c.id = query.id;
        c.kind = KindOf(query.type);
        c.name = NameOf(query.name);
        c.minimum = query.minimum;
        c.maximum = query.maximum;
        c.step = query.step > 0 ? static_cast<int64_t>(query.step) : 1;
        c.defaultValue = query.default_value;
        c.disabled = (query.flags & V4L2_CTRL_FLAG_DISABLED) != 0;
        c.readOnly = (query.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
        c.inactive = (query.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
        c.changesOthers = (query.flags & V4L2_CTRL_FLAG_UPDATE) != 0;
        if ((c.kind == DeviceControl::Kind::kMenu || c.kind == DeviceControl::Kind::kIntegerMenu) &&
            c.maximum - c.minimum < 256) {
            for (int64_t i = c.minimum; i <= c.maximum; ++i) {
                v4l2_querymenu item{};
                item.id = c.id;
                item.index = static_cast<uint32_t>(i);
                if (XIoctl(m_node->Fd(), VIDIOC_QUERYMENU, &item) != 0) continue;  // a gap in the menu
                c.entries.emplace_back(i, c.kind == DeviceControl::Kind::kMenu ? NameOf(item.name)
                                                                               : std::to_string(item.value));
            }
        }
        if (c.kind != DeviceControl::Kind::kClass && c.kind != DeviceControl::Kind::kButton &&
            c.kind != DeviceControl::Kind::kOther && !(query.flags & V4L2_CTRL_FLAG_WRITE_ONLY)) {
            v4l2_ext_control value{};
            value.id = c.id;
            v4l2_ext_controls values{};
            values.which = V4L2_CTRL_WHICH_CUR_VAL;
            values.count = 1;
            values.controls = &value;
            c.value = XIoctl(m_node->Fd(), VIDIOC_G_EXT_CTRLS, &values) == 0
                          ? (query.type == V4L2_CTRL_TYPE_INTEGER64 ? value.value64 : value.value)
                          : c.defaultValue;
        }
        controls.push_back(std::move(c));
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND;
    }
    return controls;
}

bool DeviceSettings::HasControls() const {
    for (const DeviceControl& c : Controls())
        if (c.kind != DeviceControl::Kind::kClass && !c.disabled) return true;
    return false;
}

HRESULT DeviceSettings::Set(uint32_t id, int64_t value) const {
    v4l2_query_ext_ctrl query{};
    query.id = id;
    if (XIoctl(m_node->Fd(), VIDIOC_QUERY_EXT_CTRL, &query) != 0) return E_FAIL;
    v4l2_ext_control control{};
    control.id = id;
    if (query.type == V4L2_CTRL_TYPE_INTEGER64)
        control.value64 = value;
    else
        control.value = static_cast<int32_t>(value);
    v4l2_ext_controls controls{};
    controls.which = V4L2_CTRL_WHICH_CUR_VAL;
    controls.count = 1;
    controls.controls = &control;
    return XIoctl(m_node->Fd(), VIDIOC_S_EXT_CTRLS, &controls) == 0 ? S_OK : E_FAIL;
}

HRESULT DeviceSettings::RestoreDefaults() const {
    HRESULT result = S_OK;
    // Drivers refuse a value its automatic mode has made inactive, so the
    // order matters; each pass reads the controls afresh.
    const auto restore = [&](auto which) {
        for (const DeviceControl& c : Controls())
            if (which(c) && Writable(c) && c.value != c.defaultValue && FAILED(Set(c.id, c.defaultValue))) result = S_FALSE;
    };
    restore([](const DeviceControl& c) { return !c.changesOthers; });
    restore([](const DeviceControl& c) { return c.changesOthers; });
    restore([](const DeviceControl& c) { return !c.changesOthers; });
    return result;
}

std::vector<VideoInput> DeviceSettings::Inputs() const {
    std::vector<VideoInput> inputs;
    ForEachIndexed<v4l2_input>(m_node->Fd(), VIDIOC_ENUMINPUT, 64, [&](const v4l2_input& input) {
        inputs.push_back({input.index, NameOf(input.name), input.std});
    });
    return inputs;
}

HRESULT DeviceSettings::CurrentInput(uint32_t* index) const {
    if (index == nullptr) return E_POINTER;
    int current = 0;
    if (XIoctl(m_node->Fd(), VIDIOC_G_INPUT, &current) != 0) return E_FAIL;
    *index = static_cast<uint32_t>(current);
    return S_OK;
}

HRESULT DeviceSettings::SelectInput(uint32_t index) const {
    int wanted = static_cast<int>(index);
    return XIoctl(m_node->Fd(), VIDIOC_S_INPUT, &wanted) == 0 ? S_OK : E_FAIL;
}

std::vector<std::pair<uint64_t, std::string>> DeviceSettings::Standards() const {
    std::vector<std::pair<uint64_t, std::string>> standards;
    ForEachIndexed<v4l2_standard>(m_node->Fd(), VIDIOC_ENUMSTD, 128, [&](const v4l2_standard& standard) {
        standards.emplace_back(standard.id, NameOf(standard.name));
    });
    return standards;
}

HRESULT DeviceSettings::CurrentStandard(uint64_t* standard) const {
    if (standard == nullptr) return E_POINTER;
    v4l2_std_id id = 0;
    if (XIoctl(m_node->Fd(), VIDIOC_G_STD, &id) != 0) return E_FAIL;
    *standard = id;
    return S_OK;
}

HRESULT DeviceSettings::SelectStandard(uint64_t standard) const {
    v4l2_std_id id = standard;
    return XIoctl(m_node->Fd(), VIDIOC_S_STD, &id) == 0 ? S_OK : E_FAIL;
}

}  // namespace quabrel
