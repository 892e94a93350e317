#include "platform/media/CaptureFormats.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace quabrel {

int64_t FrameTimeOf(Fraction rate) {
    if (rate.num <= 0 || rate.den <= 0) return 0;
    return int64_t{10000000} * rate.den / rate.num;
}

namespace {

double RateOf(Fraction f) { return f.den > 0 ? static_cast<double>(f.num) / f.den : 0.0; }

std::optional<Encoding> EncodingOf(const GstStructure* s) {
    if (gst_structure_has_name(s, "video/x-raw")) return Encoding::kRaw;
    if (gst_structure_has_name(s, "image/jpeg")) return Encoding::kJpeg;
    return std::nullopt;
}

// The values of an integer field nearest to `target`: the value itself, each
// entry of a list, or the point of a range closest to it.
void NearestInts(const GValue* value, int32_t target, std::vector<int32_t>& out) {
    if (G_VALUE_HOLDS_INT(value)) {
        out.push_back(g_value_get_int(value));
    } else if (GST_VALUE_HOLDS_INT_RANGE(value)) {
        const int32_t low = gst_value_get_int_range_min(value);
        const int32_t high = gst_value_get_int_range_max(value);
        const int32_t step = std::max(1, gst_value_get_int_range_step(value));
        int64_t at = std::clamp<int64_t>(target, low, high);
        at = low + (at - low + step / 2) / step * step;
        if (at > high) at -= step;
        out.push_back(static_cast<int32_t>(at));
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            NearestInts(gst_value_list_get_value(value, i), target, out);
    }
}

bool AcceptsInt(const GValue* value, int32_t x) {
    std::vector<int32_t> nearest;
    NearestInts(value, x, nearest);
    for (int32_t n : nearest)
        if (n == x) return true;
    return false;
}

bool AcceptsSize(const GstStructure* s, int32_t width, int32_t height) {
    const GValue* w = gst_structure_get_value(s, "width");
    const GValue* h = gst_structure_get_value(s, "height");
    return (w == nullptr || AcceptsInt(w, width)) && (h == nullptr || AcceptsInt(h, height));
}

// The plainest fraction for `fps`: a whole number where one lies within the
// tolerance (cameras state 30/1, not 30000003/1000000).
Fraction PlainFraction(double fps) {
    const double whole = std::round(fps);
    if (whole >= 1 && std::abs(whole - fps) <= fps * kRateTolerance) return {static_cast<int>(whole), 1};
    Fraction f;
    gst_util_double_to_fraction(fps, &f.num, &f.den);
    return f;
}

void RateCandidates(const GValue* value, double fps, std::vector<Fraction>& out) {
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        out.push_back({gst_value_get_fraction_numerator(value), gst_value_get_fraction_denominator(value)});
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        const GValue* low = gst_value_get_fraction_range_min(value);
        const GValue* high = gst_value_get_fraction_range_max(value);
        const double lowFps = RateOf({gst_value_get_fraction_numerator(low), gst_value_get_fraction_denominator(low)});
        const double highFps = RateOf({gst_value_get_fraction_numerator(high), gst_value_get_fraction_denominator(high)});
        if (fps >= lowFps && fps <= highFps) out.push_back(PlainFraction(fps));
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            RateCandidates(gst_value_list_get_value(value, i), fps, out);
    }
}

}  // namespace

std::optional<OfferedSize> NearestOfferedSize(const GstCaps* offered, int32_t width, int32_t height,
                                              std::optional<Encoding> encoding) {
    if (offered == nullptr) return std::nullopt;
    if (gst_caps_is_any(offered)) return OfferedSize{width, height, encoding.value_or(Encoding::kRaw)};
    std::optional<OfferedSize> best;
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (guint i = 0; i < gst_caps_get_size(offered); ++i) {
        const GstStructure* s = gst_caps_get_structure(offered, i);
        const std::optional<Encoding> kind = EncodingOf(s);
        if (!kind || (encoding && *kind != *encoding)) continue;
        std::vector<int32_t> widths, heights;
        const GValue* w = gst_structure_get_value(s, "width");
        const GValue* h = gst_structure_get_value(s, "height");
        if (w != nullptr) NearestInts(w, width, widths); else widths.push_back(width);
        if (h != nullptr) NearestInts(h, height, heights); else heights.push_back(height);
        // Sizes are listed as pairs per structure: only a width and a height
        // of the same structure make an offered size.
        for (int32_t cw : widths)
            for (int32_t ch : heights) {
                if (cw <= 0 || ch <= 0) continue;
                const int64_t distance = std::abs(int64_t{cw} - width) + std::abs(int64_t{ch} - height);
                // At one distance raw wins: the same picture without a decode.
                const bool rawOverJpeg = distance == bestDistance && *kind == Encoding::kRaw && best &&
                                         best->encoding == Encoding::kJpeg;
                if (distance < bestDistance || rawOverJpeg) {
                    bestDistance = distance;
                    best = OfferedSize{cw, ch, *kind};
                }
            }
    }
    return best;
}

std::optional<Fraction> OfferedRate(const GstCaps* offered, int32_t width, int32_t height, int64_t frameTime,
                                    Encoding encoding) {
    if (offered == nullptr || frameTime <= 0) return std::nullopt;
    const double fps = 1e7 / static_cast<double>(frameTime);
    if (gst_caps_is_any(offered)) return PlainFraction(fps);
    std::optional<Fraction> best;
    double bestError = kRateTolerance;
    for (guint i = 0; i < gst_caps_get_size(offered); ++i) {
        const GstStructure* s = gst_caps_get_structure(offered, i);
        if (EncodingOf(s) != encoding || !AcceptsSize(s, width, height)) continue;
        std::vector<Fraction> rates;
        if (const GValue* rate = gst_structure_get_value(s, "framerate"))
            RateCandidates(rate, fps, rates);
        else
            rates.push_back(PlainFraction(fps));
        for (Fraction r : rates) {
            const double error = std::abs(RateOf(r) - fps) / fps;
            if (r.num > 0 && error <= bestError) {
                bestError = error;
                best = r;
            }
        }
    }
    return best;
}

}  // namespace quabrel
