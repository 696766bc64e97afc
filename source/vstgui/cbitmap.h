// A picture from the compiled-in resources. cairo draws from the resource's pixels where they lie,
// so no bitmap holds a copy, and an editor that is never opened never reads them.
#pragma once

#include <cairo.h>

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

    // The pixels for drawing; null when the resource is missing or unusable.
    cairo_surface_t* getSurface();
    // Draws the part of the picture that starts at offset into rect.
    void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0), float alpha = 1.f);

private:
    int32 resourceId;
    const BitmapResource* resource;
    CPoint size;
    cairo_surface_t* surface = nullptr;
};

}  // namespace VSTGUI
