// A host with a window for the desktop tests: loads the plug-in through VSTPluginMain, opens its
// editor in a top-level window, pumps effEditIdle about 60 times a second, and takes commands on
// standard input: "note N" (a note-on, then 16 blocks of 512 frames), "render" (16 blocks), each
// logging "peak P" of the output; "quit". Logs "ready host=ID frame=ID" once the editor is open,
// and "closed" at the end.   kv7_editor_host_app PLUGIN.so LOG
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "plugin_host.h"

int main(int argc, char** argv) {
    std::FILE* log = argc == 3 ? std::fopen(argv[2], "w") : nullptr;
    PluginModule module(argc == 3 ? argv[1] : "");
    AEffect* effect = module.instantiate(HostCallbackLog::callback);
    Display* display = XOpenDisplay(nullptr);
    if (!log || !effect || !display) return std::fprintf(stderr, "usage: %s PLUGIN.so LOG, on a display\n", argv[0]), 2;
    setvbuf(log, nullptr, _IOLBF, 0);
    const ERect* rect = startAsAHostDoes(effect);
    const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, rect->right, rect->bottom, 0, 0, 0);
    XSelectInput(display, host, StructureNotifyMask);
    XMapWindow(display, host);
    for (XEvent mapped{}; mapped.type != MapNotify;) XNextEvent(display, &mapped);
    dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host));
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, host, &root, &parent, &children, &count);
    std::fprintf(log, "ready host=%lu frame=%lu\n", host, count ? children[0] : 0);
    if (children) XFree(children);

    std::string pending;
    for (bool running = true; running;) {
        for (XEvent event; XPending(display);) XNextEvent(display, &event);
        dispatch(effect, effEditIdle);
        pollfd input{STDIN_FILENO, POLLIN, 0};
        char buffer[256];
        const ssize_t got = poll(&input, 1, 15) > 0 ? read(STDIN_FILENO, buffer, sizeof buffer) : -1;
        running = got != 0;
        if (got > 0) pending.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            const std::string command = pending.substr(0, end);
            VstEventList notes;
            if (int note = 0; std::sscanf(command.c_str(), "note %d", &note) == 1) dispatch(effect, effProcessEvents, 0, 0, notes.noteOn(0, static_cast<uint8_t>(note)).get());
            running = running && command != "quit";
            if (command != "render" && command.rfind("note", 0) != 0) continue;
            std::vector<float> left(512), right(512);
            float* outputs[2] = {left.data(), right.data()};
            float peak = 0.0f;
            for (int block = 0; block < 16; ++block) {
                effect->processReplacing(effect, nullptr, outputs, 512);
                for (int f = 0; f < 512; ++f) peak = std::max({peak, std::fabs(left[f]), std::fabs(right[f])});
            }
            std::fprintf(log, "peak %.4f\n", peak);
        }
    }
    dispatch(effect, effEditClose);
    dispatch(effect, effClose);
    XDestroyWindow(display, host);
    XCloseDisplay(display);
    std::fprintf(log, "closed\n");
    return 0;
}
