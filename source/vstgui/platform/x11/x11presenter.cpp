#include "vstgui/platform/x11/x11presenter.h"

#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <sys/shm.h>

#include "vstgui/platform/x11/sharedsegment.h"
#include "vstgui/platform/x11/x11errortrap.h"

namespace VSTGUI {
namespace {

// cairo's ARGB32 is a native-endian 32-bit word with red in bits 16 to 23.
bool storesPixelsAsCairo(const Visual* visual, int depth) {
    return (depth == 24 || depth == 32) && visual->c_class == TrueColor && visual->red_mask == 0xFF0000 &&
           visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
}

int nativeByteOrder() {
    const uint32_t probe = 1;
    return *reinterpret_cast<const unsigned char*>(&probe) == 1 ? LSBFirst : MSBFirst;
}

}  // namespace

X11Presenter::X11Presenter(Display* x, Window target, int width, int height) : display(x), window(target) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    if (!shareMemory(attributes.visual, attributes.depth, width, height)) {
        buffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        windowSurface = cairo_xlib_surface_create(display, window, attributes.visual, width, height);
    }
}

bool X11Presenter::shareMemory(Visual* visual, int depth, int width, int height) {
    if (!storesPixelsAsCairo(visual, depth) || !XShmQueryExtension(display)) return false;
    XImage* image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment,
                                    static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!image) return false;
    const bool sameLayout = image->bits_per_pixel == 32 && image->byte_order == nativeByteOrder() &&
                            image->bytes_per_line == cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
    const SharedSegment memory =
        sameLayout ? takeSharedSegment(static_cast<size_t>(image->bytes_per_line) * height) : SharedSegment{};
    segment.shmid = memory.id;
    segment.shmaddr = memory.address;
    segment.readOnly = False;
    bool attached = false;
    if (memory.address) {
        // A server on another machine, or in another IPC namespace, refuses the segment.
        X11ErrorTrap trap(display);
        attached = XShmAttach(display, &segment) && !trap.failed();
    }
    if (!attached) {
        if (memory.address) shmdt(memory.address);
        XDestroyImage(image);
        return false;
    }
    image->data = segment.shmaddr;
    shared = image;
    buffer = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(image->data), CAIRO_FORMAT_ARGB32,
                                                 width, height, image->bytes_per_line);
    gc = XCreateGC(display, window, 0, nullptr);
    return true;
}

X11Presenter::~X11Presenter() {
    cairo_surface_destroy(buffer);
    if (windowSurface) cairo_surface_destroy(windowSurface);
    if (shared) {
        X11ErrorTrap trap(display);
        XShmDetach(display, &segment);
        XFreeGC(display, gc);
        // The server may still be reading a picture it was sent: wait for it before the segment goes.
        XSync(display, False);
        keepSharedSegment({segment.shmid, segment.shmaddr, static_cast<size_t>(shared->bytes_per_line) * shared->height});
        shared->data = nullptr;
        XDestroyImage(shared);
    }
}

void X11Presenter::present(const CRect& rect) {
    const int x = static_cast<int>(rect.left), y = static_cast<int>(rect.top);
    const auto w = static_cast<unsigned>(rect.getWidth()), h = static_cast<unsigned>(rect.getHeight());
    if (shared) {
        XShmPutImage(display, window, gc, shared, x, y, x, y, w, h, False);
        return;
    }
    cairo_t* cr = cairo_create(windowSurface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, buffer, 0, 0);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(windowSurface);
}

}  // namespace VSTGUI
