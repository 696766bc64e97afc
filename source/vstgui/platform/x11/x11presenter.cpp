#include "vstgui/platform/x11/x11presenter.h"

#include <X11/Xutil.h>
#include <cairo-xlib.h>

#include <cstdint>

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
    if (!sendPixelsAsTheyAre(attributes.visual, attributes.depth, width, height)) {
        buffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        windowSurface = cairo_xlib_surface_create(display, window, attributes.visual, width, height);
    }
}

bool X11Presenter::sendPixelsAsTheyAre(Visual* visual, int depth, int width, int height) {
    if (!storesPixelsAsCairo(visual, depth)) return false;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
    memory = takePixelMemory(static_cast<size_t>(stride) * static_cast<size_t>(height));
    if (!memory.address) return false;
    pixels = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                          reinterpret_cast<char*>(memory.address), static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 32, stride);
    if (!pixels) {
        keepPixelMemory(memory);
        return false;
    }
    // The words are in our order; Xlib swaps them for a server of the other.
    pixels->byte_order = nativeByteOrder();
    buffer = cairo_image_surface_create_for_data(memory.address, CAIRO_FORMAT_ARGB32, width, height, stride);
    gc = XCreateGC(display, window, 0, nullptr);
    return true;
}

X11Presenter::~X11Presenter() {
    cairo_surface_destroy(buffer);
    if (windowSurface) cairo_surface_destroy(windowSurface);
    if (pixels) {
        XFreeGC(display, gc);
        // The image's data is ours: the memory goes to the next window.
        pixels->data = nullptr;
        XDestroyImage(pixels);
        keepPixelMemory(memory);
    }
}

void X11Presenter::present(const CRect& rect) {
    const int x = static_cast<int>(rect.left), y = static_cast<int>(rect.top);
    const auto w = static_cast<unsigned>(rect.getWidth()), h = static_cast<unsigned>(rect.getHeight());
    if (pixels) {
        // Xlib has copied the rectangle into its request when this returns.
        XPutImage(display, window, gc, pixels, x, y, x, y, w, h);
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
