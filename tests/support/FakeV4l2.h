#pragma once

#include "platform/V4l2.h"

#include <linux/videodev2.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace quabrel::testing {

// Device nodes without a kernel: the fake cameras' picture controls and the
// companion device's format and frames, installed for the life of the
// object.
class FakeV4l2 final : public V4l2Io {
public:
    struct Control {
        int32_t minimum, maximum, step, defaultValue, value;
        uint32_t type = V4L2_CTRL_TYPE_INTEGER;
        std::string name = {};
        uint32_t flags = 0;
        std::map<uint32_t, std::string> menu = {};   // index → label (menus)
        std::map<uint32_t, int64_t> integerMenu = {};  // index → value (integer menus)
    };
    struct Input {
        std::string name;
        v4l2_std_id standards;
    };
    struct Node {
        std::map<uint32_t, Control> controls;
        std::vector<v4l2_format> formats;     // every S_FMT, in order
        std::vector<std::size_t> frameSizes;  // every write, in order
        std::vector<uint8_t> lastFrame;
        std::vector<std::pair<uint32_t, int32_t>> sets;  // every S_CTRL and S_EXT_CTRLS
        std::vector<Input> inputs;
        uint32_t input = 0;
        v4l2_std_id standard = 0;
        std::vector<uint32_t> inputSets;  // every S_INPUT
    };

    // /fake/full: the three picture controls and one of every other kind
    // (with an automatic exposure that makes the manual one inactive), and
    // three inputs, two with analogue standards; /fake/bright: brightness
    // only, one input; /fake/plain: no control, no input; /fake/quabrel:
    // the companion.
    FakeV4l2();
    ~FakeV4l2() override;

    // A copy of what a node has seen so far.
    Node Snapshot(const std::string& path) const;
    void SetControlValue(const std::string& path, uint32_t id, int32_t value);
    // Forgets what the nodes have seen; their controls stay.
    void ClearRecords();
    int OpenCount() const;

    int Open(const std::string& path, int flags) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* arg) override;
    long Write(int fd, const void* data, std::size_t size) override;

private:
    Node* NodeOf(int fd);
    static int Store(Control& c, int32_t* value);  // 0, or the errno refusing it
    mutable std::mutex m_mutex;
    std::map<std::string, Node> m_nodes;
    std::map<int, std::string> m_open;
    int m_nextFd = 1000;
};

}  // namespace quabrel::testing
