// Shows a frame's back buffer in its X window. Where the window stores pixels as the buffer does
// (32 bits, 8 bits a channel), a repaint sends the server a rectangle of the buffer as it is, and
// the buffer's memory is made ahead and kept between windows (pixelmemory.h). The pixels go through
// the connection rather than shared memory: a server reads a segment it has just attached a page
// fault at a time, which makes the window's first picture slower than sending it, and most repaints
// are a few rows. Elsewhere (another pixel layout) cairo converts and sends the pixels.
#pragma once

#include <X11/Xlib.h>
#include <cairo.h>

#include "vstgui/crect.h"
#include "vstgui/platform/x11/pixelmemory.h"

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
    bool sendPixelsAsTheyAre(Visual* visual, int depth, int width, int height);

    Display* display;
    Window window;
    cairo_surface_t* buffer = nullptr;
    // Pixels sent as they are.
    PixelMemory memory;
    XImage* pixels = nullptr;
    GC gc = nullptr;
    // Converting path.
    cairo_surface_t* windowSurface = nullptr;
};

}  // namespace VSTGUI
