#include "vstgui/platform/iplatformframe.h"

#include <cairo.h>

#include "vstgui/platform/x11/pixelmemory.h"
#include "vstgui/platform/x11/x11frame.h"

namespace VSTGUI {
namespace {

PlatformFrameFactory& currentFactory() {
    static PlatformFrameFactory factory = &X11Frame::create;
    return factory;
}

}  // namespace

PlatformFrameFactory setPlatformFrameFactory(PlatformFrameFactory factory) {
    PlatformFrameFactory previous = currentFactory();
    currentFactory() = factory ? factory : &X11Frame::create;
    return previous;
}

std::unique_ptr<IPlatformFrame> createPlatformFrame(IPlatformFrameCallback* frame, const CRect& size, void* parent) {
    return currentFactory()(frame, size, parent);
}

void preparePlatformFrame(const CRect& size) {
    const auto width = static_cast<int>(size.getWidth());
    if (currentFactory() == &X11Frame::create && width > 0 && size.getHeight() > 0)
        preparePixelMemory(static_cast<size_t>(cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width)) *
                             static_cast<size_t>(size.getHeight()));
}

void releasePreparedPlatformFrame() { releasePixelMemory(); }

}  // namespace VSTGUI
