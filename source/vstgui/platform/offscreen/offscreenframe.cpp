#include "vstgui/platform/offscreen/offscreenframe.h"

#include <cstdint>

namespace VSTGUI {

OffscreenFrame::OffscreenFrame(IPlatformFrameCallback* callback, const CRect& size)
    : frame(callback),
      buffer(static_cast<int>(size.getWidth()), static_cast<int>(size.getHeight())) {
    buffer.invalidate(CRect(0, 0, size.getWidth(), size.getHeight()));
}

OffscreenFrame* OffscreenFrame::of(const CFrame* frame) {
    return frame ? dynamic_cast<OffscreenFrame*>(frame->getPlatformFrame()) : nullptr;
}

std::unique_ptr<IPlatformFrame> OffscreenFrame::create(IPlatformFrameCallback* frame, const CRect& size, void*) {
    return std::make_unique<OffscreenFrame>(frame, size);
}

void OffscreenFrame::invalidRect(const CRect& rect) { buffer.invalidate(rect); }

void OffscreenFrame::flush() { redrawn = buffer.redraw(frame); }

void OffscreenFrame::setCursor(CCursorType type) { currentCursor = type; }

void OffscreenFrame::redrawAll() {
    buffer.invalidate(CRect(0, 0, buffer.width(), buffer.height()));
    flush();
}

CColor OffscreenFrame::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= buffer.width() || y >= buffer.height()) return kTransparentCColor;
    cairo_surface_t* image = buffer.surface();
    cairo_surface_flush(image);
    const unsigned char* row = cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
    const uint32_t argb = reinterpret_cast<const uint32_t*>(row)[x];
    const auto alpha = static_cast<uint8>(argb >> 24);
    auto channel = [&](int shift) {
        const uint32_t premultiplied = (argb >> shift) & 0xFF;
        return static_cast<uint8>(alpha ? (premultiplied * 255 + alpha / 2) / alpha : 0);
    };
    return CColor(channel(16), channel(8), channel(0), alpha);
}

bool OffscreenFrame::writePng(const std::string& path) const {
    return cairo_surface_write_to_png(buffer.surface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

CMouseEventResult OffscreenFrame::mouseDown(const CPoint& where, const CButtonState& buttons) {
    lastPointer = where;
    return frame->platformOnMouseDown(lastPointer, buttons);
}

CMouseEventResult OffscreenFrame::mouseMoved(const CPoint& where, const CButtonState& buttons) {
    lastPointer = where;
    return frame->platformOnMouseMoved(lastPointer, buttons);
}

CMouseEventResult OffscreenFrame::mouseUp(const CPoint& where, const CButtonState& buttons) {
    lastPointer = where;
    return frame->platformOnMouseUp(lastPointer, buttons);
}

void OffscreenFrame::mouseExited() { frame->platformOnMouseExited(lastPointer, CButtonState()); }

void OffscreenFrame::dragEnter(IDataPackage* drag, const CPoint& where) { frame->platformOnDragEnter(drag, where); }

void OffscreenFrame::dragMove(IDataPackage* drag, const CPoint& where) { frame->platformOnDragMove(drag, where); }

void OffscreenFrame::dragLeave(IDataPackage* drag, const CPoint& where) { frame->platformOnDragLeave(drag, where); }

bool OffscreenFrame::drop(IDataPackage* drag, const CPoint& where) { return frame->platformOnDrop(drag, where); }

int32 OffscreenFrame::keyDown(VstKeyCode key) { return frame->platformOnKeyDown(key); }

ScopedOffscreenPlatform::ScopedOffscreenPlatform() : previous(setPlatformFrameFactory(&OffscreenFrame::create)) {}

ScopedOffscreenPlatform::~ScopedOffscreenPlatform() { setPlatformFrameFactory(previous); }

}  // namespace VSTGUI
