// Feeds whole skin folders to the main window, the way a user's skin reaches
// it: the skin list, the skin file and its pictures are written into a skin
// folder, the list is read, every entry (up to four) is applied to one
// window in turn, and the window with its controls is painted. Background,
// window shape, buttons, masks, the list's picture and the sliders' copies
// of the background all come from the input.
//
// Input: parts separated by kSeparator lines, in this order:
//   skin/skin.cfg        the skin list (entries name the folder "fuzz")
//   skin/fuzz/skin.ini   the skin file
//   skin/fuzz/p0.bmp, p1.png, p2.bmp, p3.png, p4.bmp, p5.png   pictures
// Missing parts leave their files out.
#include "mainwindow/QuabrelDlg.h"
#include "platform/FilePaths.h"
#include "platform/MessageBox.h"
#include "skin/SkinConfig.h"

#include <QApplication>

#include <gst/gst.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

using namespace quabrel;
namespace fs = std::filesystem;

constexpr std::string_view kSeparator = "\n#file#\n";
constexpr std::array<const char*, 8> kFiles = {"skin/skin.cfg", "skin/fuzz/skin.ini", "skin/fuzz/p0.bmp",
                                               "skin/fuzz/p1.png", "skin/fuzz/p2.bmp", "skin/fuzz/p3.png",
                                               "skin/fuzz/p4.bmp", "skin/fuzz/p5.png"};
constexpr int kEntriesApplied = 4;

// One application, folder and window for the whole run. They are never
// destroyed: the toolkit's and GStreamer's teardown at exit is not what is
// fuzzed here.
struct Harness {
    Harness() {
        std::string pattern = (fs::temp_directory_path() / "fuzz-skin-apply-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
        fs::create_directories(root / "skin" / "fuzz");
        static const fs::path folder = root;
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        });
        std::ofstream(root / "skin" / "skin.cfg") << "[General]\nTotal=0\nCurrent=-1\n";

        static int argc = 3;
        static char name[] = "fuzz_skin_apply", option[] = "-platform", platform[] = "offscreen";
        static char* argv[] = {name, option, platform, nullptr};
        application = new QApplication(argc, argv);
        gst_init(nullptr, nullptr);
        SetMessagePresenter([](QWidget*, const QString&, const QString&) {});
        config.Load(SkinListPath(ExeDir()));
        window = new CquabrelDlg(config, ExeDir(), {.startBanner = false});
    }
    std::string ExeDir() const { return root.string() + "/"; }

    fs::path root;
    QApplication* application = nullptr;
    CSkinConfig config;
    CquabrelDlg* window = nullptr;
};

}  // namespace

// Blocks that libraries keep for good and the leak checker cannot trace:
// the sound server's client (started by the device list's audio provider),
// the font library under the toolkit, and GLib's own start-up. The checker's
// fast unwinder stops inside GLib, which has no frame pointers, so it cannot
// tell GLib's blocks by their callers; nothing a skin reaches allocates
// through GLib.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpulse.so\nleak:libfontconfig.so\nleak:libglib-2.0.so\n";
}
// Expected, so not listed at exit: a run ends on libFuzzer's own summary.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static Harness& harness = *new Harness;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const char* file : kFiles) {
        const fs::path path = harness.root / file;
        if (input.data() == nullptr) {
            std::error_code ignored;
            fs::remove(path, ignored);
            continue;
        }
        const std::size_t split = input.find(kSeparator);
        const std::string_view part = input.substr(0, split);
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(part.data(), std::streamsize(part.size()));
        input = split == std::string_view::npos ? std::string_view() : input.substr(split + kSeparator.size());
    }

    harness.config = CSkinConfig();
    harness.config.Load(SkinListPath(harness.ExeDir()));
    const int entries = std::min(harness.config.GetSize(), kEntriesApplied);
    for (int i = 0; i < entries; ++i) harness.window->ApplySkin(kFirstSkinNumber + i);
    (void)harness.window->grab();
    return 0;
}
