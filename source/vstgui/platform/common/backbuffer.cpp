#include "vstgui/platform/common/backbuffer.h"

#include <cmath>

#include "vstgui/cdrawcontext.h"
#include "vstgui/platform/iplatformframe.h"

namespace VSTGUI {
namespace {

// Past this many separate rectangles one bounding rectangle is cheaper to redraw.
constexpr size_t kMaxInvalidRects = 16;

CRect wholePixels(const CRect& rect) {
    return CRect(std::floor(rect.left), std::floor(rect.top), std::ceil(rect.right), std::ceil(rect.bottom));
}

CCoord area(const CRect& rect) { return rect.getWidth() * rect.getHeight(); }

bool worthMerging(const CRect& a, const CRect& b) {
    CRect both = a;
    both.unite(b);
    return a.rectOverlap(b) || area(both) <= area(a) + area(b);
}

}  // namespace

BackBuffer::BackBuffer(int w, int h) : image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)) {}

BackBuffer::BackBuffer(cairo_surface_t* surface) : image(cairo_surface_reference(surface)) {}

BackBuffer::~BackBuffer() { cairo_surface_destroy(image); }

int BackBuffer::width() const { return cairo_image_surface_get_width(image); }

int BackBuffer::height() const { return cairo_image_surface_get_height(image); }

void BackBuffer::invalidate(const CRect& rect) {
    CRect added = wholePixels(rect);
    added.bound(CRect(0, 0, width(), height()));
    if (added.isEmpty()) return;
    // Merge with every rectangle that overlaps it or that it extends without waste.
    for (auto it = invalid.begin(); it != invalid.end();) {
        if (worthMerging(*it, added)) {
            added.unite(*it);
            invalid.erase(it);
            it = invalid.begin();
        } else {
            ++it;
        }
    }
    invalid.push_back(added);
    if (invalid.size() > kMaxInvalidRects) {
        CRect all;
        for (const CRect& each : invalid) all.unite(each);
        invalid.assign(1, all);
    }
}

bool BackBuffer::isInvalid(const CRect& rect) const {
    for (const CRect& each : invalid)
        if (each.rectOverlap(rect)) return true;
    return false;
}

std::vector<CRect> BackBuffer::redraw(IPlatformFrameCallback* frame) {
    std::vector<CRect> drawn;
    drawn.swap(invalid);
    if (drawn.empty()) return drawn;
    CDrawContext context(image);
    for (const CRect& rect : drawn) frame->platformDrawRect(&context, rect);
    cairo_surface_flush(image);
    return drawn;
}

}  // namespace VSTGUI
