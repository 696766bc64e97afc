#include "vstgui/platform/x11/x11property.h"

namespace VSTGUI {
namespace {

// Longs asked for at once: a MiB.
constexpr long kPieceLongs = 1 << 18;

}  // namespace

std::optional<X11Property> readWholeProperty(Display* display, Window window, Atom atom, std::size_t maxBytes) {
    X11Property property;
    std::size_t wireBytes = 0;
    for (long offset = 0;; offset += kPieceLongs) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, atom, offset, kPieceLongs, False, AnyPropertyType, &type, &format, &items,
                               &remaining, &data) != Success ||
            type == None || (offset > 0 && (type != property.type || format != property.format))) {
            // Gone, or replaced between two pieces.
            if (data) XFree(data);
            return std::nullopt;
        }
        property.type = type;
        property.format = format;
        const std::size_t pieceBytes = items * static_cast<std::size_t>(format / 8);
        wireBytes += pieceBytes;
        if (wireBytes + remaining > maxBytes) {
            XFree(data);
            property.bytes.clear();
            property.count = 0;
            property.tooLarge = true;
            return property;
        }
        // Format 32 items are longs in Xlib's memory, whatever their size on the wire.
        const std::size_t itemSize = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
        property.bytes.insert(property.bytes.end(), data, data + items * itemSize);
        property.count += static_cast<int>(items);
        XFree(data);
        if (remaining == 0) return property;
    }
}

}  // namespace VSTGUI
