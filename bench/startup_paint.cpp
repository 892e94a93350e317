// Start-up to first paint of the real program, and its resident memory.
//
//   startup_paint <quabrel executable> [runs]      (needs DISPLAY, e.g. Xvfb)
//
// Each run starts quabrel, polls the screen pixel where the window's middle
// will be until it changes, then waits for the banner's engine to settle and
// adds up the resident memory of quabrel and its child processes.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

unsigned long Pixel(Display* display, int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long value = image != nullptr ? XGetPixel(image, 0, 0) : 0;
    if (image != nullptr) XDestroyImage(image);
    return value;
}

long StatusField(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + field.size());
    return 0;
}

// Resident memory in kB of `root` and every process below it.
long TreeRss(pid_t root) {
    std::vector<pid_t> tree{root};
    for (bool grew = true; grew;) {
        grew = false;
        DIR* proc = opendir("/proc");
        while (dirent* entry = readdir(proc)) {
            const pid_t pid = std::atoi(entry->d_name);
            if (pid <= 0 || std::find(tree.begin(), tree.end(), pid) != tree.end()) continue;
            if (std::find(tree.begin(), tree.end(), static_cast<pid_t>(StatusField(pid, "PPid:"))) != tree.end()) {
                tree.push_back(pid);
                grew = true;
            }
        }
        closedir(proc);
    }
    long total = 0;
    for (pid_t pid : tree) total += StatusField(pid, "VmRSS:");
    return total;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_paint <quabrel executable> [runs]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "startup_paint: no display\n");
        return 2;
    }
    const int cx = DisplayWidth(display, 0) / 2, cy = DisplayHeight(display, 0) / 2;
    std::vector<double> paints, ownRss, treeRss;
    for (int run = 0; run < runs; ++run) {
        const unsigned long before = Pixel(display, cx, cy);
        const auto start = Clock::now();
        const pid_t child = fork();
        if (child == 0) {
            execl(argv[1], argv[1], static_cast<char*>(nullptr));
            _exit(127);
        }
        bool painted = false;
        while (Clock::now() - start < std::chrono::seconds(20)) {
            if (Pixel(display, cx, cy) != before) {
                painted = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const long own = StatusField(child, "VmRSS:"), tree = TreeRss(child);
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        if (!painted) {
            std::fprintf(stderr, "run %d: nothing painted\n", run);
            continue;
        }
        paints.push_back(ms);
        ownRss.push_back(static_cast<double>(own) / 1024);
        treeRss.push_back(static_cast<double>(tree) / 1024);
        std::printf("run %d: first paint %.1f ms, quabrel %.1f MB, with child processes %.1f MB\n", run, ms, ownRss.back(),
                    treeRss.back());
        // Let the screen go back to black before the next run.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    if (paints.empty()) return 1;
    std::printf("median of %zu runs: first paint %.1f ms (min %.1f, max %.1f); resident quabrel %.1f MB, with child processes %.1f MB\n",
                paints.size(), Median(paints), *std::min_element(paints.begin(), paints.end()),
                *std::max_element(paints.begin(), paints.end()), Median(ownRss), Median(treeRss));
    XCloseDisplay(display);
    return 0;
}
