// A picture from the compiled-in resources, in one or more resolutions for the window's scale
// factors. cairo draws from the resource's pixels where they lie, so no bitmap holds a copy, and an
// editor that is never opened never reads them. Its size is the layout's.
#pragma once

#include <cairo.h>

#include <vector>

#include "vstgui/bitmap_resources.h"
#include "vstgui/cbaseobject.h"
#include "vstgui/crect.h"

namespace VSTGUI {

class CDrawContext;

struct CResourceDescription {
    CResourceDescription(int32 resourceId) : id(resourceId) {}  // NOLINT(google-explicit-constructor)
    int32 id;
};

class CBitmap : public CBaseObject {
public:
    explicit CBitmap(const CResourceDescription& description);
    ~CBitmap() override;

    CCoord getWidth() const { return size.x; }
    CCoord getHeight() const { return size.y; }
    CPoint getSize() const { return size; }
    int32 getResourceId() const { return resourceId; }
    // False when the resource is missing or has no pixels.
    bool isLoaded() const { return size.x > 0 && size.y > 0; }
    // Loaded, and every pixel of every picture opaque.
    bool isOpaque() const;

    // The pixels for drawing at scaleFactor: the coarsest picture at least that fine, else the
    // finest; its own scale factor goes to pictureScale. Null when the resource is missing or unusable.
    cairo_surface_t* getSurface(double scaleFactor = 1, double* pictureScale = nullptr);
    // Draws the part of the picture that starts at offset into rect.
    void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0), float alpha = 1.f);

private:
    struct Picture {
        BitmapResource resource;
        cairo_surface_t* surface = nullptr;
    };

    int32 resourceId;
    std::vector<Picture> pictures;
    CPoint size;
};

}  // namespace VSTGUI
