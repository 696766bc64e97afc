#include "vstgui/cbitmap.h"

#include "vstgui/cdrawcontext.h"

namespace VSTGUI {
namespace {

// cairo's own limit on an image's sides.
constexpr int kMaxSide = 32767;

CPoint pictureSize(const BitmapResource* resource) {
    if (!resource || !resource->pixels || resource->width <= 0 || resource->height <= 0 ||
        resource->width > kMaxSide || resource->height > kMaxSide)
        return {};
    return {static_cast<CCoord>(resource->width), static_cast<CCoord>(resource->height)};
}

}  // namespace

CBitmap::CBitmap(const CResourceDescription& description)
    : resourceId(description.id), resource(findBitmapResource(description.id)), size(pictureSize(resource)) {}

CBitmap::~CBitmap() {
    if (surface) cairo_surface_destroy(surface);
}

cairo_surface_t* CBitmap::getSurface() {
    if (surface || !isLoaded()) return surface;
    // cairo only reads a surface it draws from, so the pixels are used where they are compiled in.
    auto* pixels = const_cast<unsigned char*>(reinterpret_cast<const unsigned char*>(resource->pixels));
    cairo_surface_t* made =
        cairo_image_surface_create_for_data(pixels, resource->opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                            resource->width, resource->height, 4 * resource->width);
    if (cairo_surface_status(made) == CAIRO_STATUS_SUCCESS)
        surface = made;
    else
        cairo_surface_destroy(made);
    return surface;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha) {
    if (context) context->drawBitmap(this, rect, offset, alpha);
}

}  // namespace VSTGUI
