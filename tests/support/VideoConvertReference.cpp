#include "support/VideoConvertReference.h"

#include "platform/media/GstPtr.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

#include <cstring>

namespace quabrel::testing {

std::vector<uint8_t> VideoConvertBgrx(const std::vector<uint8_t>& bgrx, int width, int height, const std::string& format) {
    const std::string description =
        "appsrc name=in format=time caps=video/x-raw,format=BGRx,width=" + std::to_string(width) +
        ",height=" + std::to_string(height) + ",framerate=0/1 ! videoconvert dither=none ! video/x-raw,format=" +
        format + ",colorimetry=bt601 ! appsink name=out sync=false";
    const auto pipeline = GstPtr<GstElement>::Adopt(gst_parse_launch(description.c_str(), nullptr));
    if (!pipeline) return {};
    const auto in = GstPtr<GstElement>::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "in"));
    const auto out = GstPtr<GstElement>::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    GstBuffer* buffer = gst_buffer_new_memdup(bgrx.data(), bgrx.size());
    GST_BUFFER_PTS(buffer) = 0;
    gst_app_src_push_buffer(GST_APP_SRC(in.get()), buffer);  // takes the buffer
    gst_app_src_end_of_stream(GST_APP_SRC(in.get()));
    const auto sample = GstPtr<GstSample>::Adopt(gst_app_sink_try_pull_sample(GST_APP_SINK(out.get()), 10 * GST_SECOND));
    std::vector<uint8_t> converted;
    GstVideoInfo info;
    if (sample && gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get()))) {
        GstVideoFrame frame;
        if (gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample.get()), GST_MAP_READ)) {
            for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&frame); ++plane) {
                const auto* data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
                const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane);
                const guint component = plane;  // packed formats have one plane, I420 one component a plane
                const int rowBytes = GST_VIDEO_FRAME_COMP_WIDTH(&frame, component) *
                                     GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, component);
                for (int row = 0; row < GST_VIDEO_FRAME_COMP_HEIGHT(&frame, component); ++row)
                    converted.insert(converted.end(), data + row * stride, data + row * stride + rowBytes);
            }
            gst_video_frame_unmap(&frame);
        }
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return converted;
}

}  // namespace quabrel::testing
