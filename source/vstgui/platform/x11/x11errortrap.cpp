#include "vstgui/platform/x11/x11errortrap.h"

namespace VSTGUI {
namespace {

// Traps nest; only the user-interface thread sets them.
X11ErrorTrap* innermost = nullptr;

// Waits until the server has answered every request sent so far, so that their errors have been
// handled. Nothing to wait for when it has answered the last one already: the common case of a
// host's idle call that finds nothing to do then costs no round trip to the server.
void settle(Display* display) {
    if (XNextRequest(display) - 1 != LastKnownRequestProcessed(display)) XSync(display, False);
}

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* trapped) : display(trapped), outer(innermost) {
    settle(display);
    innermost = this;
    previous = XSetErrorHandler(&X11ErrorTrap::handle);
}

X11ErrorTrap::~X11ErrorTrap() {
    settle(display);
    XSetErrorHandler(previous);
    innermost = outer;
}

bool X11ErrorTrap::failed() {
    settle(display);
    return error;
}

int X11ErrorTrap::handle(Display* display, XErrorEvent* event) {
    for (X11ErrorTrap* trap = innermost; trap; trap = trap->outer) {
        if (trap->display == display) {
            trap->error = true;
            return 0;
        }
    }
    X11ErrorTrap* outermost = innermost;
    while (outermost && outermost->outer) outermost = outermost->outer;
    return outermost && outermost->previous ? outermost->previous(display, event) : 0;
}

}  // namespace VSTGUI
