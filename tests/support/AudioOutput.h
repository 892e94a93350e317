#pragma once
// A silent audio output for graphs with sound: no sound card is needed, and
// the test sees how much reached it.

#include "platform/media/FilterGraph.h"

#include <gst/gst.h>

#include <atomic>

namespace quabrel::testing {

// A silent audio output that counts what reaches it.
class CountingAudioOutput {
public:
    CountingAudioOutput() {
        m_previous = SetAudioOutputFactory([this] {
            GstElement* sink = gst_element_factory_make("fakesink", "audio-output");
            g_object_set(sink, "sync", FALSE, "signal-handoffs", TRUE, nullptr);
            g_signal_connect(sink, "handoff", G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer count) {
                                 ++*static_cast<std::atomic<int>*>(count);
                             }),
                             &m_buffers);
            return sink;
        });
    }
    ~CountingAudioOutput() { SetAudioOutputFactory(m_previous); }
    int Buffers() const { return m_buffers.load(); }

private:
    AudioOutputFactory m_previous;
    std::atomic<int> m_buffers{0};
};

}  // namespace quabrel::testing
