// The editor in a real X11 window, as a host shows it: loads the built module through
// VSTPluginMain, gives effEditOpen a top-level window of its own and measures
//  - the open: effEditOpen plus the host idle calls until the window shows the whole picture,
//    first in this process (fonts and pictures not yet loaded), then over reopenings;
//  - the cost of the open window left alone: process CPU time while effEditIdle is pumped about
//    60 times a second, as a share of one core, less the host's own loop without those calls.
// At the scale the editor finds (TEMBRO_LAXIS_SCALE sets it; the X screen must hold the window).
// Prints "name value" lines for bench/run.
//   kv7_bench_editor_window [--idle-seconds S] [--reopen N] [PLUGIN.so]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "plugin_host.h"

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void drainHostEvents(Display* display) {
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
    }
}

long blackPixels(Display* display, Window window, int x, int y, int width, int height) {
    XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image) return -1;
    long black = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) black += (XGetPixel(image, column, row) & 0xFFFFFF) == 0;
    XDestroyImage(image);
    return black;
}

// The host window is black; the editor's picture has no black line across it. A column and a row
// of the window are enough to see it, and each request is a round trip, so what the editor sent
// before has reached the server.
bool wholePictureShown(Display* display, Window window, int width, int height) {
    const long column = blackPixels(display, window, width / 4, 0, 1, height);
    const long row = blackPixels(display, window, 0, height - 30, width, 1);
    return column >= 0 && row >= 0 && (column + row) * 100 < width + height;
}

struct OpenTime {
    double wall;  // milliseconds
    double cpu;   // milliseconds of this process's CPU time
};

// effEditOpen, then idle calls until the picture is complete.
OpenTime openUntilShown(AEffect* effect, Display* display, Window host, int width, int height) {
    const auto start = Clock::now();
    const double cpuStart = processCpuSeconds();
    dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host));
    for (int attempt = 0; attempt < 1000; ++attempt) {
        dispatch(effect, effEditIdle);
        if (wholePictureShown(display, host, width, height))
            return {milliseconds(Clock::now() - start), 1000.0 * (processCpuSeconds() - cpuStart)};
    }
    std::fprintf(stderr, "the editor never showed its picture\n");
    std::exit(1);
}

void closeAndBlank(AEffect* effect, Display* display, Window host, int width, int height) {
    dispatch(effect, effEditClose);
    XClearArea(display, host, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), False);
    XSync(display, False);
    drainHostEvents(display);
}

}  // namespace

int main(int argc, char** argv) {
    double idleSeconds = 10.0;
    int reopenings = 20;
    std::string path = builtPluginPath();
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--idle-seconds") && i + 1 < argc)
            idleSeconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--reopen") && i + 1 < argc)
            reopenings = std::atoi(argv[++i]);
        else
            path = argv[i];
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display (set DISPLAY)\n");
        return 1;
    }
    PluginModule module(path);
    AEffect* effect = module.instantiate(HostCallbackLog::callback);
    if (!effect) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), module.error().c_str());
        return 1;
    }
    const ERect* rect = startAsAHostDoes(effect);
    if (!rect) return 1;
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;

    const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width),
                                            static_cast<unsigned>(height), 0, 0, 0);
    XSelectInput(display, host, StructureNotifyMask);
    XMapWindow(display, host);
    for (XEvent event;;) {
        XNextEvent(display, &event);
        if (event.type == MapNotify) break;
    }

    const OpenTime first = openUntilShown(effect, display, host, width, height);
    std::vector<double> reopenWall, reopenCpu;
    for (int i = 0; i < reopenings; ++i) {
        closeAndBlank(effect, display, host, width, height);
        const OpenTime again = openUntilShown(effect, display, host, width, height);
        reopenWall.push_back(again.wall);
        reopenCpu.push_back(again.cpu);
    }
    std::sort(reopenWall.begin(), reopenWall.end());
    std::sort(reopenCpu.begin(), reopenCpu.end());

    // Left alone: the host calls effEditIdle about 60 times a second and does nothing else. The
    // host's own loop without those calls is the baseline; slices of one second alternate between
    // the two, so a change in the machine's load falls on both alike.
    double cpu[2] = {0.0, 0.0}, wall[2] = {0.0, 0.0};
    const auto period = std::chrono::microseconds(16667);
    for (int slice = 0; slice < 2 * static_cast<int>(std::ceil(idleSeconds)); ++slice) {
        const int pumping = slice % 2 == 0 ? 1 : 0;
        const double cpuBefore = processCpuSeconds();
        const auto sliceStart = Clock::now();
        auto next = sliceStart;
        while (Clock::now() - sliceStart < std::chrono::seconds(1)) {
            drainHostEvents(display);
            if (pumping) dispatch(effect, effEditIdle);
            next += period;
            std::this_thread::sleep_until(next);
        }
        wall[pumping] += std::chrono::duration<double>(Clock::now() - sliceStart).count();
        cpu[pumping] += processCpuSeconds() - cpuBefore;
    }

    dispatch(effect, effEditClose);
    dispatch(effect, effMainsChanged, 0, 0);
    dispatch(effect, effClose);
    XDestroyWindow(display, host);
    XCloseDisplay(display);

    std::printf("editor_open_first_ms %.3f\n", first.wall);
    std::printf("editor_open_first_cpu_ms %.3f\n", first.cpu);
    if (!reopenWall.empty()) {
        std::printf("editor_reopen_median_ms %.3f\n", reopenWall[reopenWall.size() / 2]);
        std::printf("editor_reopen_median_cpu_ms %.3f\n", reopenCpu[reopenCpu.size() / 2]);
    }
    std::printf("editor_idle_cpu_percent %.4f\n", 100.0 * (cpu[1] / wall[1] - cpu[0] / wall[0]));
    std::printf("host_and_editor_idle_cpu_percent %.4f\n", 100.0 * cpu[1] / wall[1]);
    std::printf("host_alone_idle_cpu_percent %.4f\n", 100.0 * cpu[0] / wall[0]);
    return 0;
}
