// A host with a window, for end-to-end tests under Xvfb: loads the plug-in through VSTPluginMain,
// opens its editor inside a top-level window of its own, pumps effEditIdle about 60 times a
// second, and plays notes and renders audio when told to on standard input:
//   note N      a note-on for N, then 16 blocks of 512 frames; logs "peak note=N value=P"
//   render      16 more blocks; logs "peak value=P"
//   quit
// It logs "ready host=ID frame=ID" once the editor is open. Everything goes through the AEffect.
//   kv7_editor_host_app PLUGIN.so LOG
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "plugin_host.h"

namespace {

constexpr int kBlock = 512;
constexpr int kBlocksPerCommand = 16;

float renderPeak(AEffect* effect, int blocks) {
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    float peak = 0.0f;
    for (int b = 0; b < blocks; ++b) {
        effect->processReplacing(effect, nullptr, outputs, kBlock);
        for (int f = 0; f < kBlock; ++f) peak = std::max(peak, std::max(std::fabs(left[f]), std::fabs(right[f])));
    }
    return peak;
}

// The editor's window: the one child the plug-in put into ours.
Window childOf(Display* display, Window parent) {
    Window root = 0, parentOut = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window child = 0;
    if (XQueryTree(display, parent, &root, &parentOut, &children, &count) && count > 0) child = children[count - 1];
    if (children) XFree(children);
    return child;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PLUGIN.so LOG\n", argv[0]);
        return 2;
    }
    std::FILE* log = std::fopen(argv[2], "w");
    if (!log) return 1;
    setvbuf(log, nullptr, _IOLBF, 0);

    PluginModule module(argv[1]);
    AEffect* effect = module.instantiate(HostCallbackLog::callback);
    Display* display = XOpenDisplay(nullptr);
    if (!effect || !display) {
        std::fprintf(stderr, "cannot load %s or open the display\n", argv[1]);
        return 1;
    }
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(effect, effSetBlockSize, 0, kBlock);
    dispatch(effect, effMainsChanged, 0, 1);
    ERect* rect = nullptr;
    dispatch(effect, effEditGetRect, 0, 0, &rect);
    const int width = rect ? rect->right - rect->left : 400;
    const int height = rect ? rect->bottom - rect->top : 400;

    const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0, 0);
    XStoreName(display, host, "Tembro-laxis host");
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, host, &deleteWindow, 1);
    XSelectInput(display, host, StructureNotifyMask);
    XMapWindow(display, host);
    for (XEvent event;;) {
        XNextEvent(display, &event);
        if (event.type == MapNotify) break;
    }
    dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host));
    XSync(display, False);
    std::fprintf(log, "ready host=%lu frame=%lu\n", host, childOf(display, host));

    bool running = true;
    std::string pending;
    while (running) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
                running = false;
        }
        dispatch(effect, effEditIdle);
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, 15) > 0) {
            char buffer[256];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) running = false;
            if (got > 0) pending.append(buffer, static_cast<size_t>(got));
        }
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string command = pending.substr(0, end);
            pending.erase(0, end + 1);
            int note = 0;
            if (std::sscanf(command.c_str(), "note %d", &note) == 1) {
                sendNotes(effect, {midiEvent(0, 0x90, static_cast<uint8_t>(note), 100)});
                std::fprintf(log, "peak note=%d value=%.4f\n", note, renderPeak(effect, kBlocksPerCommand));
            } else if (command == "render") {
                std::fprintf(log, "peak value=%.4f\n", renderPeak(effect, kBlocksPerCommand));
            } else if (command == "quit") {
                running = false;
            }
        }
    }
    dispatch(effect, effEditClose);
    dispatch(effect, effMainsChanged, 0, 0);
    dispatch(effect, effClose);
    XDestroyWindow(display, host);
    XCloseDisplay(display);
    std::fprintf(log, "closed\n");
    return 0;
}
