// Cost of putting a skin on the window: the outline from the background,
// picture decoding, and a whole skin change of the real window.
//
//   build/<cfg>/bench/bench_skin

#include "mainwindow/QuabrelDlg.h"
#include "skin/ResourceImages.h"
#include "skin/SkinImage.h"
#include "skin/WindowShape.h"

#include "platform/MessageBox.h"

#include <QApplication>

#include <gst/gst.h>

#include <cstdio>

#include <benchmark/benchmark.h>

namespace {

const std::string kSkins = QUABREL_SKINS_DIR;

void BM_WindowShapeBuiltIn(benchmark::State& state) {
    const QImage background = quabrel::LoadBitmapResource(188);
    for (auto _ : state) benchmark::DoNotOptimize(quabrel::WindowShapeFromBackground(background, qRgb(167, 79, 255)));
}
BENCHMARK(BM_WindowShapeBuiltIn)->Unit(benchmark::kMicrosecond);

void BM_LoadBackground(benchmark::State& state, const std::string& file, const std::string& type) {
    for (auto _ : state) {
        QImage image;
        quabrel::LoadSkinImage(kSkins + file, type, image);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK_CAPTURE(BM_LoadBackground, bmp, "/graphite/background.bmp", "bmp")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadBackground, png, "/aurora/background.png", "png")->Unit(benchmark::kMicrosecond);

// The whole skin change of a window: every picture read and decoded, every
// shape built, as the Skin menu will do it.
void BM_ApplySkin(benchmark::State& state) {
    quabrel::CSkinConfig skins;
    skins.Load(kSkins + "/skin.cfg");
    // The list names folders below <exe>/skin/; the sample skins sit in one.
    const std::string exeDir = kSkins.substr(0, kSkins.rfind('/') + 1);
    quabrel::CquabrelDlg window(skins, exeDir, {.startBanner = false});
    const int number = quabrel::kFirstSkinNumber + static_cast<int>(state.range(0));
    for (auto _ : state) window.ApplySkin(number);
}
BENCHMARK(BM_ApplySkin)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);  // the window lists the devices it finds
    // Nothing here may wait for a click.
    quabrel::SetMessagePresenter([](QWidget*, const QString& text, const QString&) {
        std::fprintf(stderr, "bench_skin: %s\n", qPrintable(text));
    });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
