#pragma once

#include "controls/MyListBox.h"
#include "controls/MySliderControl.h"
#include "mainwindow/QuabrelDlg.h"
#include "skin/SkinConfig.h"
#include "support/FakeV4l2.h"
#include "support/WidgetTestUtil.h"

#include "imaging/FrameConversion.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/GstPtr.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

namespace quabrel::testing {

// The adjusted frames as the grabber hands them on (32-bit BGRx), taken
// after the frame callback on the grabber's own pad. The watch ends with the
// graph or with this object, whichever goes first.
class GrabbedFrames {
public:
    explicit GrabbedFrames(const FilterGraph& graph) : m_state(std::make_shared<State>()) {
        const auto grabber = GstPtr<GstElement>::Adopt(gst_bin_get_by_name(GST_BIN(graph.Pipeline()), "Grabber"));
        if (!grabber) return;
        m_pad = StaticPad(grabber.get(), "src");
        m_probe = gst_pad_add_probe(m_pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &GrabbedFrames::OnBuffer,
                                    new std::shared_ptr<State>(m_state),
                                    [](gpointer data) { delete static_cast<std::shared_ptr<State>*>(data); });
    }
    ~GrabbedFrames() {
        if (m_probe != 0) gst_pad_remove_probe(m_pad.get(), m_probe);
    }
    // The last frame, or empty before the first.
    std::vector<uint8_t> Last() const {
        std::lock_guard lock(m_state->mutex);
        return m_state->last;
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::vector<uint8_t> last;
    };
    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
        State& state = **static_cast<std::shared_ptr<State>*>(data);
        GstMapInfo map;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            std::lock_guard lock(state.mutex);
            state.last.assign(map.data, map.data + map.size);
            gst_buffer_unmap(buffer, &map);
        }
        return GST_PAD_PROBE_OK;
    }
    std::shared_ptr<State> m_state;
    GstPtr<GstPad> m_pad;
    gulong m_probe = 0;
};

// A BGRx frame as the companion device gets it: YUYV at `width` x `height`.
inline std::vector<uint8_t> AsCompanionFrame(const std::vector<uint8_t>& bgrx, int frameWidth, int frameHeight,
                                             int width, int height) {
    std::vector<uint8_t> yuyv(OutputFrameBytes(OutputFormat::kYuy2, width, height));
    if (!ConvertFrame({bgrx.data(), frameWidth, frameHeight, bgrx.size()}, {yuyv.data(), width, height, OutputFormat::kYuy2}))
        return {};
    return yuyv;
}

// The main window without skins or banner, on the fake cameras, with their
// V4L2 side (controls and the companion device) faked as well.
class LiveWindowTest : public ::testing::Test {
protected:
    void TearDown() override { m_window.reset(); }

    void ShowWindow() {
        m_window = std::make_unique<CquabrelDlg>(m_skins, "/nonexistent/", CquabrelDlg::Options{.startBanner = false});
        m_window->show();
    }
    // Picks a camera as the user does: a click on its entry.
    void Choose(const char* name) {
        auto* list = m_window->Item<CMyListBox>(1001);
        const auto found = list->findItems(QString::fromLatin1(name), Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name;
        QApplication::processEvents();
        Click(*list->viewport(), list->visualItemRect(found.first()).center());
    }
    // Moves a slider and lets it go, as a drag ends.
    void Release(int slider, int value) {
        auto* s = m_window->Item<CMySliderControl>(slider);
        s->setValue(value);
        Q_EMIT s->releasedCapture();
    }
    std::size_t CompanionFrames() const { return m_v4l2.Snapshot("/fake/quabrel").frameSizes.size(); }

    FakeV4l2 m_v4l2;
    CSkinConfig m_skins;
    std::unique_ptr<CquabrelDlg> m_window;
};

}  // namespace quabrel::testing
