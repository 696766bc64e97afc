#include "editor_window.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <cstdio>

namespace {

// The editor's windows belong to the plug-in's own connection and may vanish between our query
// and our request; such an error must not end the host.
int ignoreVanishedWindows(Display*, XErrorEvent* error) {
    if (error->error_code != BadWindow)
        std::fprintf(stderr, "tembro-laxis: X error %d on request %d\n", error->error_code, error->request_code);
    return 0;
}

unsigned char modifiersOf(unsigned int state) {
    unsigned char modifiers = 0;
    if (state & ShiftMask) modifiers |= MODIFIER_SHIFT;
    if (state & Mod1Mask) modifiers |= MODIFIER_ALTERNATE;
    if (state & ControlMask) modifiers |= MODIFIER_CONTROL;
    return modifiers;
}

VstKeyCode keyCodeOf(XKeyEvent& event) {
    char text[8] = {};
    KeySym symbol = 0;
    const int length = XLookupString(&event, text, sizeof text, &symbol, nullptr);
    VstKeyCode key{};
    key.character = length == 1 ? static_cast<unsigned char>(text[0]) : 0;
    key.modifier = modifiersOf(event.state);
    return key;
}

}  // namespace

EditorWindow::EditorWindow(HostedPlugin& hosted) : plugin(hosted) {}

EditorWindow::~EditorWindow() {
    plugin.closeEditor();
    plugin.onSizeWindow(nullptr);
    if (display) {
        if (window) XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
}

bool EditorWindow::connect(std::string& error) {
    // Plug-ins may talk to X from their own threads through their own connections.
    XInitThreads();
    display = XOpenDisplay(nullptr);
    if (!display) {
        error = "cannot open the X display; use --render to render without a display";
        return false;
    }
    XSetErrorHandler(&ignoreVanishedWindows);
    return true;
}

bool EditorWindow::open(std::string& error) {
    int width = 0, height = 0;
    if (!plugin.editorSize(width, height)) {
        error = "the plug-in has no editor window to show";
        return false;
    }
    const int screen = DefaultScreen(display);
    // A dark grey until the editor paints, so that the window can be told from a black desktop.
    XColor grey{};
    grey.red = grey.green = grey.blue = 0x3000;
    const unsigned long background =
        XAllocColor(display, DefaultColormap(display, screen), &grey) ? grey.pixel : BlackPixel(display, screen);
    window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, BlackPixel(display, screen), background);
    XStoreName(display, window, "Tembro-laxis");
    XClassHint classHint{const_cast<char*>("tembro-laxis"), const_cast<char*>("Tembro-laxis")};
    XSetClassHint(display, window, &classHint);
    fixSize(width, height);
    deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask |
                                      SubstructureNotifyMask);
    // Without this a held key arrives as release-press pairs and would retrigger its slot.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    XMapWindow(display, window);
    XSync(display, False);

    plugin.onSizeWindow([this](int w, int h) { return resize(w, h); });
    plugin.openEditor(window);
    // Some editors know their size only once open.
    if (plugin.editorSize(width, height)) resize(width, height);
    watchKeys(window);
    XFlush(display);
    return true;
}

bool EditorWindow::resize(int width, int height) {
    if (!display || width <= 0 || height <= 0) return false;
    fixSize(width, height);
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(display);
    return true;
}

void EditorWindow::fixSize(int width, int height) {
    windowWidth = width;
    windowHeight = height;
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, window, &hints);
}

// Key events go to the window under the pointer and stop at the first one that wants them, which
// may be one of the editor's: ask for them on every window of the editor too.
void EditorWindow::watchKeys(Window parent) {
    Window root = 0, parentOfParent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count)) return;
    for (unsigned i = 0; i < count; ++i) {
        XSelectInput(display, children[i], KeyPressMask | KeyReleaseMask | SubstructureNotifyMask);
        watchKeys(children[i]);
    }
    if (children) XFree(children);
}

void EditorWindow::sendNote(const MidiMessage& message) {
    if (notes) notes->push(message);
}

void EditorWindow::handle(XEvent& event) {
    switch (event.type) {
        case ClientMessage:
            if (event.xclient.window == window && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
                closed = true;
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window) closed = true;
            break;
        case MapNotify:
            if (event.xmap.window != window) {
                XSelectInput(display, event.xmap.window, KeyPressMask | KeyReleaseMask | SubstructureNotifyMask);
                watchKeys(event.xmap.window);
            }
            break;
        case KeyPress: {
            const VstKeyCode key = keyCodeOf(event.xkey);
            if (plugin.keyDown(key)) break;
            if (auto note = keyboard.press(XLookupKeysym(&event.xkey, 0))) sendNote(*note);
            break;
        }
        case KeyRelease: {
            const VstKeyCode key = keyCodeOf(event.xkey);
            if (plugin.keyUp(key)) break;
            if (auto note = keyboard.release(XLookupKeysym(&event.xkey, 0))) sendNote(*note);
            break;
        }
        case FocusOut:
            // Releases that happen elsewhere never reach us: end the held notes now.
            keyboard.releaseAll([this](const MidiMessage& message) { sendNote(message); });
            break;
        default:
            break;
    }
}

void EditorWindow::run(const std::atomic<bool>& quit) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1000000 / kIdleHz);
    auto nextIdle = Clock::now();
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (!closed && !quit.load()) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            handle(event);
        }
        const auto now = Clock::now();
        if (now >= nextIdle) {
            plugin.idleEditor();
            XFlush(display);
            nextIdle = now + period;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextIdle - Clock::now()).count();
        poll(&connection, 1, static_cast<int>(wait > 0 ? wait : 0));
    }
    keyboard.releaseAll([this](const MidiMessage& message) { sendNote(message); });
    plugin.closeEditor();
}
