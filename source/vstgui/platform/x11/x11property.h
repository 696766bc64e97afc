// A window property read whole: in pieces, so that no request's size limit cuts it short, and
// never more of it than the caller will hold.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <optional>
#include <vector>

namespace VSTGUI {

struct X11Property {
    Atom type = None;
    int format = 0;
    // The items as Xlib hands them (format-32 items as longs); none when tooLarge.
    std::vector<unsigned char> bytes;
    int count = 0;
    bool tooLarge = false;
};

// Null when the window has no such property, or is gone. More than maxBytes on the wire is tooLarge.
std::optional<X11Property> readWholeProperty(Display* display, Window window, Atom property, std::size_t maxBytes);

}  // namespace VSTGUI
