// Frame adjustment speed, with a widely used library's equivalent work as
// anchors measured in the same run. Single thread throughout.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUABREL_BUILD_BENCH=ON
//   cmake --build build/bench --target bench_color_processor
//   build/bench/bench/bench_color_processor --benchmark_repetitions=5

#include "imaging/ColorProcessor.h"
#include "support/ColorReference.h"
#include "support/ColorTestUtil.h"

#include <benchmark/benchmark.h>

#ifdef QUABREL_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using quabrel::CColorProcessor;
using quabrel::PixelLayout;
using quabrel::reference::Settings;

struct Size {
    int width, height;
    int Pixels() const { return width * height; }
};
constexpr Size kSmall{320, 240};
constexpr Size kLarge{1920, 1080};

// Smooth gradients and soft blobs with a little sensor noise.
std::vector<uint8_t> NaturalFrame(Size size) {
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 3);
    std::vector<uint8_t> frame(std::size_t(size.Pixels()) * 3);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const double u = double(x) / size.width, v = double(y) / size.height;
            const double blob = std::exp(-((u - 0.4) * (u - 0.4) + (v - 0.5) * (v - 0.5)) * 12);
            const double c[3] = {60 + 120 * v + 40 * blob, 80 + 90 * u * v + 100 * blob, 40 + 170 * u - 30 * blob};
            for (int k = 0; k < 3; ++k)
                frame[(std::size_t(y) * size.width + x) * 3 + k] =
                    static_cast<uint8_t>(std::clamp(c[k] + noise(rng), 0.0, 255.0));
        }
    return frame;
}

std::vector<uint8_t> RandomFrame(Size size) {
    std::mt19937 rng(11);
    std::vector<uint8_t> frame(std::size_t(size.Pixels()) * 3);
    for (auto& b : frame) b = static_cast<uint8_t>(rng());
    return frame;
}

std::vector<uint8_t> Frame(Size size, bool natural) { return natural ? NaturalFrame(size) : RandomFrame(size); }

std::map<std::string, Settings> Scenarios() {
    std::map<std::string, Settings> m;
    m["neutral"] = {};
    Settings s;
    s.red = 40;
    m["red_shift"] = s;
    s = {};
    s.brightnessValue = 20, s.contrastValue = 35;
    m["brightness_contrast"] = s;
    s.red = 40, s.green = -25, s.blue = 15;
    m["shifts_brightness_contrast"] = s;
    for (int sat : {0, 50, 100}) {
        Settings still;
        still.stillImage = true, still.saturationValue = sat;
        m["still_saturation_" + std::to_string(sat)] = still;
    }
    return m;
}

void SetPixelCounter(benchmark::State& state, Size size) {
    state.counters["ns_per_pixel"] = benchmark::Counter(double(size.Pixels()) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Times `adjust` on a frame that is restored before every iteration, so each
// one sees the same colours; the restoring copy is not timed.
template <typename Adjust>
void TimeInPlace(benchmark::State& state, Size size, bool natural, Adjust adjust, PixelLayout layout = PixelLayout::kBgr) {
    auto source = Frame(size, natural);
    if (layout == PixelLayout::kBgrx) {  // the same colours with a fourth byte
        std::vector<uint8_t> padded;
        for (std::size_t i = 0; i < source.size(); i += 3) padded.insert(padded.end(), {source[i], source[i + 1], source[i + 2], 255});
        source = std::move(padded);
    }
    auto frame = source;
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(source.begin(), source.end(), frame.begin());
        state.ResumeTiming();
        adjust(frame.data(), size.Pixels());
        benchmark::ClobberMemory();
    }
    SetPixelCounter(state, size);
}

void BM_ProcessFrame(benchmark::State& state, Settings settings, Size size, bool natural, PixelLayout layout) {
    CColorProcessor processor;
    quabrel::testing::Configure(processor, settings);
    const auto step = static_cast<std::size_t>(layout);
    TimeInPlace(
        state, size, natural, [&](uint8_t* px, int n) { processor.ProcessFrame(px, n, std::size_t(n) * step, layout); },
        layout);
}

// The tables used directly, as the formulas lay them out.
void BM_DirectTables(benchmark::State& state, Settings settings, Size size, bool natural) {
    const quabrel::reference::Processor processor(settings);
    TimeInPlace(state, size, natural, [&](uint8_t* px, int n) { processor.Process(px, n); });
}

#ifdef QUABREL_HAVE_OPENCV
void BM_OpenCvHlsRoundTrip(benchmark::State& state, int saturation, Size size, bool natural) {
    cv::setNumThreads(1);
    const auto source = Frame(size, natural);
    cv::Mat frame(size.height, size.width, CV_8UC3, const_cast<uint8_t*>(source.data()));
    cv::Mat hls, out;
    std::vector<cv::Mat> planes;
    const double scale = saturation / 50.0;
    for (auto _ : state) {
        cv::cvtColor(frame, hls, cv::COLOR_BGR2HLS);
        cv::split(hls, planes);
        planes[2].convertTo(planes[2], CV_8U, scale);
        cv::merge(planes, hls);
        cv::cvtColor(hls, out, cv::COLOR_HLS2BGR);
        benchmark::DoNotOptimize(out.data);
    }
    SetPixelCounter(state, size);
}

void BM_OpenCvLut(benchmark::State& state, Size size, bool natural) {
    cv::setNumThreads(1);
    const auto source = Frame(size, natural);
    cv::Mat frame(size.height, size.width, CV_8UC3, const_cast<uint8_t*>(source.data()));
    cv::Mat lut(1, 256, CV_8UC3), out;
    for (int i = 0; i < 256; ++i) lut.at<cv::Vec3b>(i) = cv::Vec3b(uint8_t(255 - i), uint8_t(i / 2), uint8_t(i));
    for (auto _ : state) {
        cv::LUT(frame, lut, out);
        benchmark::DoNotOptimize(out.data);
    }
    SetPixelCounter(state, size);
}
#endif

void BM_TableConstruction(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const quabrel::ColorTables tables;
        bytes = tables.MemoryBytes();
        benchmark::DoNotOptimize(tables.ramp.data());
    }
    state.counters["fixed_table_bytes"] = double(bytes);
    state.counters["processor_bytes"] = double(CColorProcessor::OwnMemoryBytes());
}

// Appends rather than chaining operator+, which g++ 12 misreads (-Wrestrict).
std::string Join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) out.append(p);
    return out;
}

std::string SizeName(Size s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

void RegisterAll() {
    for (const auto& [name, settings] : Scenarios())
        for (Size size : {kSmall, kLarge})
            for (bool natural : {true, false}) {
                const std::string suffix = Join({"/", SizeName(size), natural ? "/natural" : "/random"});
                // A fixed count: the untimed restoring copy would otherwise
                // dominate the run of the fast cases.
                const int iterations = size.width == kLarge.width ? 60 : 1500;
                benchmark::RegisterBenchmark(Join({"ours/", name, suffix}).c_str(), BM_ProcessFrame, settings, size,
                                             natural, PixelLayout::kBgr)->UseRealTime()->Iterations(iterations);
                // The layout the live path uses.
                if (size.width == kSmall.width && natural)
                    benchmark::RegisterBenchmark(Join({"ours_bgrx/", name, suffix}).c_str(), BM_ProcessFrame, settings,
                                                 size, natural, PixelLayout::kBgrx)->UseRealTime()->Iterations(iterations);
                if (name.starts_with("still") || name == "shifts_brightness_contrast")
                    if (size.width == kLarge.width)
                        benchmark::RegisterBenchmark(Join({"direct/", name, suffix}).c_str(), BM_DirectTables,
                                                     settings, size, natural)->UseRealTime()->Iterations(20);
            }
#ifdef QUABREL_HAVE_OPENCV
    for (Size size : {kSmall, kLarge})
        for (bool natural : {true, false}) {
            const std::string suffix = Join({"/", SizeName(size), natural ? "/natural" : "/random"});
            for (int sat : {0, 50, 100})
                benchmark::RegisterBenchmark(Join({"opencv/hls_round_trip_", std::to_string(sat), suffix}).c_str(),
                                             BM_OpenCvHlsRoundTrip, sat, size, natural)->UseRealTime();
            benchmark::RegisterBenchmark(Join({"opencv/lut3", suffix}).c_str(), BM_OpenCvLut, size, natural)
                ->UseRealTime();
        }
#endif
    benchmark::RegisterBenchmark("tables/construction", BM_TableConstruction)->Unit(benchmark::kMillisecond);
}

// Collects each benchmark's time (the median when repeated) for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            if (run.run_type == Run::RT_Aggregate || !times.count(name)) times[name] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> times;
};

void PrintRatio(const std::map<std::string, double>& t, const std::string& ours, const std::string& anchor) {
    const auto a = t.find(ours), b = t.find(anchor);
    if (a == t.end() || b == t.end()) return;
    std::printf("  %-58s / %-36s = %.2f\n", a->first.c_str(), b->first.c_str(), a->second / b->second);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nRatios (ours / anchor; below 1 is faster):\n");
#ifndef QUABREL_HAVE_OPENCV
    // Said rather than left out, so a missing line is never read as a result.
    std::printf("  no OpenCV anchors: built without OpenCV's core and imgproc development files"
                " (Debian: libopencv-core-dev, libopencv-imgproc-dev)\n");
#endif
    for (const char* frame : {"natural", "random"})
        for (const char* sz : {"1920x1080", "320x240"}) {
            const std::string suffix = std::string("/") + sz + "/" + frame;
            for (int sat : {0, 50, 100}) {
                const std::string s = std::to_string(sat);
                PrintRatio(reporter.times, "ours/still_saturation_" + s + suffix, "opencv/hls_round_trip_" + s + suffix);
                PrintRatio(reporter.times, "direct/still_saturation_" + s + suffix,
                           "opencv/hls_round_trip_" + s + suffix);
                PrintRatio(reporter.times, "ours/still_saturation_" + s + suffix, "direct/still_saturation_" + s + suffix);
            }
            PrintRatio(reporter.times, "ours/shifts_brightness_contrast" + suffix, "opencv/lut3" + suffix);
            PrintRatio(reporter.times, "ours/brightness_contrast" + suffix, "opencv/lut3" + suffix);
            PrintRatio(reporter.times, "ours/shifts_brightness_contrast" + suffix,
                       "direct/shifts_brightness_contrast" + suffix);
        }
    benchmark::Shutdown();
    return 0;
}
