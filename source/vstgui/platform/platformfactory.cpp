#include "vstgui/platform/iplatformframe.h"
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

}  // namespace VSTGUI
