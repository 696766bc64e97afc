// Catches the X errors of one connection for a stretch of calls, instead of letting Xlib's default
// handler end the host. Errors of other connections (the host's) go to the handler that was set.
#pragma once

#include <X11/Xlib.h>

namespace VSTGUI {

class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server to answer every request so far; true when one of them failed.
    bool failed();

private:
    static int handle(Display* display, XErrorEvent* event);

    Display* display;
    X11ErrorTrap* outer;
    XErrorHandler previous;
    bool error = false;
};

}  // namespace VSTGUI
