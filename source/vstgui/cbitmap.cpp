#include "vstgui/cbitmap.h"

#include <cstring>

#include "vstgui/cdrawcontext.h"

namespace VSTGUI {
namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32 readBigEndian32(const unsigned char* bytes) {
    return (uint32{bytes[0]} << 24) | (uint32{bytes[1]} << 16) | (uint32{bytes[2]} << 8) | uint32{bytes[3]};
}

// The width and height stored in the PNG's first chunk, which must be IHDR.
CPoint pngSize(const BitmapResource* resource) {
    if (!resource || resource->size < 24) return {};
    const unsigned char* png = resource->png;
    if (std::memcmp(png, kPngSignature, sizeof kPngSignature) != 0 || std::memcmp(png + 12, "IHDR", 4) != 0) return {};
    return {static_cast<CCoord>(readBigEndian32(png + 16)), static_cast<CCoord>(readBigEndian32(png + 20))};
}

struct PngReader {
    const unsigned char* data;
    size_t size;
    size_t offset;
};

cairo_status_t readPngBytes(void* closure, unsigned char* out, unsigned int length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (reader->size - reader->offset < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

CBitmap::CBitmap(const CResourceDescription& description)
    : resourceId(description.id), resource(findBitmapResource(description.id)), size(pngSize(resource)) {}

CBitmap::~CBitmap() {
    if (surface) cairo_surface_destroy(surface);
}

cairo_surface_t* CBitmap::getSurface() {
    if (surface || !isLoaded()) return surface;
    PngReader reader{resource->png, resource->size, 0};
    cairo_surface_t* decoded = cairo_image_surface_create_from_png_stream(readPngBytes, &reader);
    if (cairo_surface_status(decoded) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(decoded);
        return nullptr;
    }
    surface = decoded;
    return surface;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha) {
    if (context) context->drawBitmap(this, rect, offset, alpha);
}

}  // namespace VSTGUI
