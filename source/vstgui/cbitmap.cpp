#include "vstgui/cbitmap.h"

#include <png.h>
#include <sys/mman.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
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

void readPngBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (reader->size - reader->offset < length) png_error(png, "truncated");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

// A broken picture is not drawn; nothing is printed.
[[noreturn]] void failed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignoreWarning(png_structp, png_const_charp) {}

// cairo's own rounding, so a picture looks the same whoever decodes it.
inline uint8_t multiplyAlpha(unsigned alpha, unsigned color) {
    const unsigned temp = alpha * color + 0x80;
    return static_cast<uint8_t>((temp + (temp >> 8)) >> 8);
}

// RGB bytes to cairo's RGB24 words, in place from the end of the row, which libpng made room for.
void expandOpaque(png_structp, png_row_infop row, png_bytep data) {
    for (png_uint_32 i = row->width; i-- > 0;) {
        const png_bytep rgb = data + 3 * static_cast<size_t>(i);
        const uint32_t word = 0xFF000000u | (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
        std::memcpy(data + 4 * static_cast<size_t>(i), &word, sizeof word);
    }
}

// RGBA bytes to cairo's premultiplied ARGB32 words.
void premultiply(png_structp, png_row_infop row, png_bytep data) {
    for (png_size_t i = 0; i < row->rowbytes; i += 4) {
        uint8_t* pixel = data + i;
        const uint8_t alpha = pixel[3];
        uint32_t word = 0;
        if (alpha != 0) {
            uint8_t red = pixel[0], green = pixel[1], blue = pixel[2];
            if (alpha != 0xFF) {
                red = multiplyAlpha(alpha, red);
                green = multiplyAlpha(alpha, green);
                blue = multiplyAlpha(alpha, blue);
            }
            word = (uint32_t{alpha} << 24) | (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue;
        }
        std::memcpy(pixel, &word, sizeof word);
    }
}

// The pixels of a compiled-in PNG, as cairo would decode them. libpng writes each row straight into
// the surface, converted in one pass, and the surface's pages are mapped in one call rather than
// one page fault at a time: this runs while the window opens for the first
// time. The pictures come with the binary, so their checksums are not checked.
cairo_surface_t* decodePng(const BitmapResource& resource) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failed, ignoreWarning);
    if (!png) return nullptr;
    png_infop info = png_create_info_struct(png);
    cairo_surface_t* volatile surface = nullptr;
    PngReader reader{resource.png, resource.size, 0};
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (surface) cairo_surface_destroy(surface);
        return nullptr;
    }
    png_set_read_fn(png, &reader, readPngBytes);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_strip_16(png);
    if (depth < 8) png_set_packing(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    const int passes = png_set_interlace_handling(png);
    const bool opaque = !(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_read_user_transform_fn(png, opaque ? expandOpaque : premultiply);
    png_set_user_transform_info(png, nullptr, 8, 4);
    png_read_update_info(png, info);
    if (png_get_bit_depth(png, info) != 8 || png_get_rowbytes(png, info) != 4 * static_cast<png_size_t>(width))
        png_error(png, "format");
    surface = cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                         static_cast<int>(height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) png_error(png, "memory");
    unsigned char* pixels = cairo_image_surface_get_data(surface);
    const auto stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (reinterpret_cast<uintptr_t>(pixels) + page - 1) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(pixels) + stride * height) / page * page;
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, pixels + stride * y, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    cairo_surface_mark_dirty(surface);
    return surface;
}

}  // namespace

CBitmap::CBitmap(const CResourceDescription& description)
    : resourceId(description.id), resource(findBitmapResource(description.id)), size(pngSize(resource)) {}

CBitmap::~CBitmap() {
    if (surface) cairo_surface_destroy(surface);
}

cairo_surface_t* CBitmap::getSurface() {
    if (!surface && isLoaded()) surface = decodePng(*resource);
    return surface;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha) {
    if (context) context->drawBitmap(this, rect, offset, alpha);
}

}  // namespace VSTGUI
