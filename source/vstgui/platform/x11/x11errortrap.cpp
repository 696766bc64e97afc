#include "vstgui/platform/x11/x11errortrap.h"

namespace VSTGUI {
namespace {

// Traps nest; only the user-interface thread sets them.
X11ErrorTrap* innermost = nullptr;

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* trapped) : display(trapped), outer(innermost) {
    XSync(display, False);
    innermost = this;
    previous = XSetErrorHandler(&X11ErrorTrap::handle);
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(display, False);
    XSetErrorHandler(previous);
    innermost = outer;
}

bool X11ErrorTrap::failed() {
    XSync(display, False);
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
