#include "vstgui/cbitmap.h"

#include <algorithm>

#include "vstgui/cdrawcontext.h"

namespace VSTGUI {
namespace {

// cairo's own limit on an image's sides.
constexpr int kMaxSide = 32767;

bool usable(const BitmapResource& resource) {
    return resource.pixels && resource.width > 0 && resource.height > 0 && resource.width <= kMaxSide &&
           resource.height <= kMaxSide && resource.scaleFactor >= 1;
}

}  // namespace

CBitmap::CBitmap(const CResourceDescription& description) : resourceId(description.id) {
    for (const BitmapResource& resource : findBitmapResources(description.id))
        if (usable(resource)) pictures.push_back({resource});
    // The coarsest picture gives the size in the layout.
    if (!pictures.empty())
        size = {pictures[0].resource.width / pictures[0].resource.scaleFactor,
                pictures[0].resource.height / pictures[0].resource.scaleFactor};
}

CBitmap::~CBitmap() {
    for (const Picture& picture : pictures)
        if (picture.surface) cairo_surface_destroy(picture.surface);
}

bool CBitmap::isOpaque() const {
    return isLoaded() && std::all_of(pictures.begin(), pictures.end(), [](const Picture& p) { return p.resource.opaque; });
}

cairo_surface_t* CBitmap::getSurface(double scaleFactor, double* pictureScale) {
    if (pictures.empty()) return nullptr;
    auto chosen = std::find_if(pictures.begin(), pictures.end(),
                               [&](const Picture& p) { return p.resource.scaleFactor >= scaleFactor; });
    Picture& picture = chosen == pictures.end() ? pictures.back() : *chosen;
    if (pictureScale) *pictureScale = picture.resource.scaleFactor;
    if (picture.surface) return picture.surface;
    // cairo only reads a surface it draws from, so the pixels are used where they are compiled in.
    const BitmapResource& resource = picture.resource;
    auto* pixels = const_cast<unsigned char*>(reinterpret_cast<const unsigned char*>(resource.pixels));
    cairo_surface_t* made =
        cairo_image_surface_create_for_data(pixels, resource.opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                            resource.width, resource.height, 4 * resource.width);
    if (cairo_surface_status(made) == CAIRO_STATUS_SUCCESS)
        picture.surface = made;
    else
        cairo_surface_destroy(made);
    return picture.surface;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha) {
    if (context) context->drawBitmap(this, rect, offset, alpha);
}

}  // namespace VSTGUI
