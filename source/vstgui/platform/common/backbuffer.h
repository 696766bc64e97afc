// An image the frame is drawn into, with the rectangles that wait to be redrawn. Platform frames
// draw into it and show it; tests read its pixels.
#pragma once

#include <cairo.h>

#include <vector>

#include "vstgui/crect.h"

namespace VSTGUI {

class IPlatformFrameCallback;

class BackBuffer {
public:
    BackBuffer(int width, int height);
    // Draws into an image made elsewhere (in memory kept for the next window, say); keeps a reference.
    explicit BackBuffer(cairo_surface_t* image);
    ~BackBuffer();
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;

    void invalidate(const CRect& rect);
    bool hasInvalid() const { return !invalid.empty(); }
    // Whether part of rect waits to be redrawn.
    bool isInvalid(const CRect& rect) const;
    // Redraws the invalid rectangles through frame and answers them.
    std::vector<CRect> redraw(IPlatformFrameCallback* frame);

    cairo_surface_t* surface() const { return image; }
    int width() const;
    int height() const;

private:
    cairo_surface_t* image;
    std::vector<CRect> invalid;
};

}  // namespace VSTGUI
