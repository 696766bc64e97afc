// The marks that make drag sources talk to our window: XdndAware with an XdndProxy to itself on
// our window, and the same, pointing to our window, on the host's top-level window, because GTK
// drag sources only look at top-level windows. The top-level's own values come back when the
// marks go. User-interface thread.
#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "vstgui/platform/x11/x11property.h"

namespace VSTGUI {

class X11XdndAware {
public:
    X11XdndAware(Display* display, Window window, Window hostParent);
    ~X11XdndAware();
    X11XdndAware(const X11XdndAware&) = delete;
    X11XdndAware& operator=(const X11XdndAware&) = delete;

    // Moves the top-level's marks when the host's window was reparented (a window manager came,
    // went, or mapped the host late).
    void refreshTopLevel();

private:
    void mark(Window target, Window proxy);
    void claimTopLevel(Window target);
    void releaseTopLevel();
    Window findTopLevel() const;

    Display* display;
    Window window;
    Window hostParent;
    Atom xdndAware, xdndProxy, wmState;
    Window proxiedTopLevel = None;
    std::optional<X11Property> savedAware;
    std::optional<X11Property> savedProxy;
};

}  // namespace VSTGUI
