// Shows a frame's back buffer in its X window. Where the server can share memory with us and the
// window stores pixels as the buffer does (32 bits, 8 bits a channel), the buffer itself lies in a
// shared memory segment and a repaint hands the server a rectangle of it: nothing is copied on our
// side and nothing new is allocated for it (sharedsegment.h). Elsewhere (a remote display, another
// pixel layout) cairo converts and sends the pixels.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <cairo.h>

#include "vstgui/crect.h"

namespace VSTGUI {

class X11Presenter {
public:
    X11Presenter(Display* display, Window window, int width, int height);
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    // The image to draw the frame into; the presenter keeps a reference to it.
    cairo_surface_t* image() const { return buffer; }
    // Sends a rectangle of the image to the window; the caller flushes the connection.
    void present(const CRect& rect);

private:
    bool shareMemory(Visual* visual, int depth, int width, int height);

    Display* display;
    Window window;
    cairo_surface_t* buffer = nullptr;
    // Shared memory path.
    XImage* shared = nullptr;
    XShmSegmentInfo segment{};
    GC gc = nullptr;
    // Converting path.
    cairo_surface_t* windowSurface = nullptr;
};

}  // namespace VSTGUI
