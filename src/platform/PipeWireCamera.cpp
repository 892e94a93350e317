#include "platform/PipeWireCamera.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/param/video/raw.h>
#include <spa/pod/builder.h>

#include <ctime>
#include <mutex>

namespace quabrel {

namespace {

constexpr int kBufferCount = 4;

void InitPipeWireOnce() {
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

uint32_t SpaFormat(OutputFormat format) {
    switch (format) {
    case OutputFormat::kBgra: return SPA_VIDEO_FORMAT_BGRA;
    case OutputFormat::kYuy2: return SPA_VIDEO_FORMAT_YUY2;
    case OutputFormat::kI420: return SPA_VIDEO_FORMAT_I420;
    }
    return SPA_VIDEO_FORMAT_UNKNOWN;
}

// SPA's builder macros are C compound literals, which ISO C++ does not
// have; g++ builds them as an extension.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
const spa_pod* BufferParams(spa_pod_builder* builder, OutputFormat format, int width, int height) {
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers,
        SPA_PARAM_BUFFERS_buffers, SPA_POD_CHOICE_RANGE_Int(kBufferCount, 2, 8),
        SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_size, SPA_POD_Int(static_cast<int>(OutputFrameBytes(format, width, height))),
        SPA_PARAM_BUFFERS_stride, SPA_POD_Int(OutputRowBytes(format, width)),
        SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr))));
}

// Readers look for a header on every buffer (some without checking it is
// there): each frame carries one.
const spa_pod* HeaderMetaParams(spa_pod_builder* builder) {
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta,
        SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
        SPA_PARAM_META_size, SPA_POD_Int(static_cast<int>(sizeof(spa_meta_header)))));
}

// One format a param, each fixed: readers build their list of a camera's
// modes from these and skip a param whose format is a choice. BGRA comes
// first, for readers that take it as it is (BGR browsers read red-first,
// BGRx they refuse); then I420, what the browsers' capture turns every
// frame into (so it needs no conversion of its own), then YUY2.
// The rate is a range: readers ask for one around 30/1 and link to nothing
// that offers a single other value; frames still go out when they come, at
// whatever rate the camera runs.
const spa_pod* FormatParams(spa_pod_builder* builder, OutputFormat format, int width, int height) {
    const spa_rectangle size = SPA_RECTANGLE(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    const spa_fraction usual = SPA_FRACTION(30, 1), slowest = SPA_FRACTION(0, 1), fastest = SPA_FRACTION(120, 1);
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat,
        SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
        SPA_FORMAT_VIDEO_format, SPA_POD_Id(SpaFormat(format)),
        SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&usual, &slowest, &fastest)));
}
#pragma GCC diagnostic pop

}  // namespace

// PipeWire calls these on its own thread, with the loop lock held.
struct PipeWireCamera::Events {
    PipeWireCamera* camera = nullptr;
    spa_hook coreListener{};
    spa_hook streamListener{};
    pw_core_events core{};
    pw_stream_events stream{};

    explicit Events(PipeWireCamera* owner) : camera(owner) {
        core.version = PW_VERSION_CORE_EVENTS;
        core.error = [](void* data, uint32_t id, int, int, const char*) {
            // An error on the core itself means the connection is gone.
            if (id == PW_ID_CORE) {
                auto* self = static_cast<Events*>(data);
                self->camera->m_daemonLost = true;
                self->camera->m_streaming = false;
            }
        };
        stream.version = PW_VERSION_STREAM_EVENTS;
        stream.state_changed = [](void* data, pw_stream_state, pw_stream_state state, const char*) {
            static_cast<Events*>(data)->camera->m_streaming = state == PW_STREAM_STATE_STREAMING;
        };
        stream.param_changed = [](void* data, uint32_t id, const spa_pod* param) {
            if (param == nullptr || id != SPA_PARAM_Format) return;
            PipeWireCamera* self = static_cast<Events*>(data)->camera;
            spa_video_info_raw info{};
            if (spa_format_video_raw_parse(param, &info) < 0) return;
            for (OutputFormat format : {OutputFormat::kBgra, OutputFormat::kYuy2, OutputFormat::kI420})
                if (SpaFormat(format) == info.format) self->m_format = format;
            uint8_t storage[512];
            spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof(storage));
            const spa_pod* params[] = {BufferParams(&builder, self->m_format, self->m_width, self->m_height),
                                       HeaderMetaParams(&builder)};
            pw_stream_update_params(self->m_stream, params, 2);
        };
    }
};

std::unique_ptr<PipeWireCamera> PipeWireCamera::Open(const std::string& name) {
    InitPipeWireOnce();
    std::unique_ptr<PipeWireCamera> camera(new PipeWireCamera());
    camera->m_name = name;
    camera->m_events = std::make_unique<Events>(camera.get());
    camera->m_loop = pw_thread_loop_new("quabrel-pipewire", nullptr);
    if (camera->m_loop == nullptr) return nullptr;
    camera->m_context = pw_context_new(pw_thread_loop_get_loop(camera->m_loop), nullptr, 0);
    if (camera->m_context == nullptr || pw_thread_loop_start(camera->m_loop) < 0) return nullptr;
    pw_thread_loop_lock(camera->m_loop);
    camera->m_core = pw_context_connect(camera->m_context, nullptr, 0);
    if (camera->m_core != nullptr)
        pw_core_add_listener(camera->m_core, &camera->m_events->coreListener, &camera->m_events->core, camera->m_events.get());
    pw_thread_loop_unlock(camera->m_loop);
    if (camera->m_core == nullptr) return nullptr;  // no daemon: the destructor tidies up
    return camera;
}

PipeWireCamera::~PipeWireCamera() {
    if (m_loop != nullptr) {
        pw_thread_loop_lock(m_loop);
        if (m_stream != nullptr) pw_stream_destroy(m_stream);
        if (m_core != nullptr) pw_core_disconnect(m_core);
        pw_thread_loop_unlock(m_loop);
        pw_thread_loop_stop(m_loop);
    }
    if (m_context != nullptr) pw_context_destroy(m_context);
    if (m_loop != nullptr) pw_thread_loop_destroy(m_loop);
}

bool PipeWireCamera::Start(int width, int height) {
    if (m_stream != nullptr) return width == m_width && height == m_height;
    if (width < 2 || height < 2 || (width & 1) != 0 || (height & 1) != 0) return false;
    m_width = width;
    m_height = height;
    pw_thread_loop_lock(m_loop);
    pw_properties* props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                             PW_KEY_MEDIA_ROLE, "Camera", PW_KEY_MEDIA_CLASS, "Video/Source",
                                             PW_KEY_NODE_NAME, m_name.c_str(), PW_KEY_NODE_DESCRIPTION, m_name.c_str(),
                                             nullptr);
    m_stream = m_daemonLost ? nullptr : pw_stream_new(m_core, m_name.c_str(), props);
    bool connected = false;
    if (m_stream != nullptr) {
        pw_stream_add_listener(m_stream, &m_events->streamListener, &m_events->stream, m_events.get());
        uint8_t storage[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof(storage));
        const spa_pod* params[] = {FormatParams(&builder, OutputFormat::kBgra, width, height),
                                   FormatParams(&builder, OutputFormat::kI420, width, height),
                                   FormatParams(&builder, OutputFormat::kYuy2, width, height)};
        // The node drives its own graph: a frame goes out when it is
        // published, not on a clock of the daemon's.
        const auto flags = static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS);
        connected = pw_stream_connect(m_stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 3) == 0;
    } else if (props != nullptr && m_daemonLost) {
        pw_properties_free(props);
    }
    pw_thread_loop_unlock(m_loop);
    return connected;
}

bool PipeWireCamera::BeginFrame(OutputFrame* frame) {
    if (m_stream == nullptr || !m_streaming || m_daemonLost) {
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    // The lock is PipeWire's own, held by its thread only while it handles
    // a message: never while a reader takes its time.
    pw_thread_loop_lock(m_loop);
    pw_buffer* buffer = pw_stream_dequeue_buffer(m_stream);
    const spa_data* data = buffer != nullptr ? &buffer->buffer->datas[0] : nullptr;
    if (data == nullptr || data->data == nullptr || data->maxsize < OutputFrameBytes(m_format, m_width, m_height)) {
        if (data != nullptr && data->chunk != nullptr) data->chunk->size = 0;
        if (buffer != nullptr) pw_stream_queue_buffer(m_stream, buffer);
        pw_thread_loop_unlock(m_loop);
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    m_pending = buffer;
    *frame = {static_cast<uint8_t*>(data->data), m_width, m_height, m_format};
    return true;
}

void PipeWireCamera::EndFrame(bool filled) {
    if (m_pending == nullptr) return;
    spa_buffer* buffer = m_pending->buffer;
    spa_chunk* chunk = buffer->datas[0].chunk;
    chunk->offset = 0;
    chunk->size = filled ? static_cast<uint32_t>(OutputFrameBytes(m_format, m_width, m_height)) : 0;
    chunk->stride = OutputRowBytes(m_format, m_width);
    if (auto* header = static_cast<spa_meta_header*>(spa_buffer_find_meta_data(buffer, SPA_META_Header, sizeof(spa_meta_header)))) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        header->pts = static_cast<int64_t>(now.tv_sec) * SPA_NSEC_PER_SEC + now.tv_nsec;
        header->flags = 0;
        header->offset = 0;
        header->dts_offset = 0;
        header->seq = m_sequence++;
    }
    // Counted before a reader can have it.
    if (filled) m_sent.fetch_add(1, std::memory_order_relaxed);
    pw_stream_queue_buffer(m_stream, m_pending);
    if (filled) pw_stream_trigger_process(m_stream);
    m_pending = nullptr;
    pw_thread_loop_unlock(m_loop);
    if (!filled) m_dropped.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace quabrel
