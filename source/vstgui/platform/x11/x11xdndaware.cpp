#include "vstgui/platform/x11/x11xdndaware.h"

#include <X11/Xatom.h>

#include "vstgui/platform/x11/x11errortrap.h"

namespace VSTGUI {
namespace {

constexpr long kXdndVersion = 5;
// Marks and window-manager states are a few longs.
constexpr std::size_t kMaxMarkBytes = 4 << 10;

}  // namespace

X11XdndAware::X11XdndAware(Display* x11Display, Window ours, Window parent)
    : display(x11Display), window(ours), hostParent(parent) {
    const char* names[] = {"XdndAware", "XdndProxy", "WM_STATE"};
    Atom interned[3] = {};
    XInternAtoms(display, const_cast<char**>(names), 3, False, interned);
    xdndAware = interned[0];
    xdndProxy = interned[1];
    wmState = interned[2];
    X11ErrorTrap trap(display);
    mark(window, window);
    claimTopLevel(findTopLevel());
}

X11XdndAware::~X11XdndAware() {
    X11ErrorTrap trap(display);
    releaseTopLevel();
}

void X11XdndAware::mark(Window target, Window proxy) {
    const long version = kXdndVersion;
    XChangeProperty(display, target, xdndAware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    const long proxyId = static_cast<long>(proxy);
    XChangeProperty(display, target, xdndProxy, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&proxyId), 1);
}

Window X11XdndAware::findTopLevel() const {
    // The nearest ancestor a window manager marked with WM_STATE, else the child of the root.
    Window current = hostParent;
    Window rootChild = None;
    for (int depth = 0; current != None && depth < 64; ++depth) {
        if (readWholeProperty(display, current, wmState, kMaxMarkBytes)) return current;
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, current, &root, &parent, &children, &count)) return rootChild;
        if (children) XFree(children);
        if (parent == root || parent == None) return current;
        rootChild = current;
        current = parent;
    }
    return rootChild;
}

void X11XdndAware::claimTopLevel(Window target) {
    if (target == None || target == proxiedTopLevel) return;
    releaseTopLevel();
    savedAware = readWholeProperty(display, target, xdndAware, kMaxMarkBytes);
    savedProxy = readWholeProperty(display, target, xdndProxy, kMaxMarkBytes);
    mark(target, window);
    proxiedTopLevel = target;
}

void X11XdndAware::releaseTopLevel() {
    if (proxiedTopLevel == None) return;
    auto restore = [&](Atom property, const std::optional<X11Property>& saved) {
        if (!saved)
            XDeleteProperty(display, proxiedTopLevel, property);
        else
            XChangeProperty(display, proxiedTopLevel, property, saved->type, saved->format, PropModeReplace,
                            saved->bytes.data(), saved->count);
    };
    restore(xdndAware, savedAware);
    restore(xdndProxy, savedProxy);
    proxiedTopLevel = None;
}

void X11XdndAware::refreshTopLevel() {
    X11ErrorTrap trap(display);
    const Window current = findTopLevel();
    if (!trap.failed() && current != proxiedTopLevel) claimTopLevel(current);
}

}  // namespace VSTGUI
