// A platform frame that draws into an image instead of a window, for tests: events are injected
// by calls, and the picture is read back as pixels or written as a PNG file.
//
//   ScopedOffscreenPlatform offscreen;          // CFrame::open now makes offscreen frames
//   CFrame* frame = new CFrame(CRect(0, 0, 400, 300), nullptr);
//   frame->open(nullptr);
//   OffscreenFrame* screen = OffscreenFrame::of(frame);
//   screen->mouseDown({40, 20}, kLButton | kControl);
//   frame->idle();                              // redraws what became dirty
//   CColor c = screen->pixel(40, 20);
#pragma once

#include <string>
#include <vector>

#include "vstgui/ccolor.h"
#include "vstgui/cframe.h"
#include "vstgui/platform/common/backbuffer.h"
#include "vstgui/platform/iplatformframe.h"

namespace VSTGUI {

class OffscreenFrame : public IPlatformFrame {
public:
    OffscreenFrame(IPlatformFrameCallback* frame, const CRect& size);

    // The offscreen platform frame of an open frame, or null when it has another one.
    static OffscreenFrame* of(const CFrame* frame);
    static std::unique_ptr<IPlatformFrame> create(IPlatformFrameCallback* frame, const CRect& size, void* parent);

    void invalidRect(const CRect& rect) override;
    void flush() override;
    void setCursor(CCursorType type) override;

    // Redraws everything now.
    void redrawAll();
    // The unpremultiplied colour of one pixel; transparent outside the image.
    CColor pixel(int x, int y) const;
    bool writePng(const std::string& path) const;
    cairo_surface_t* surface() const { return buffer.surface(); }
    CCursorType cursor() const { return currentCursor; }
    // The rectangles the last flush redrew.
    const std::vector<CRect>& lastRedrawn() const { return redrawn; }

    // Mouse and drag events in window pixels (the frame's coordinates times its zoom); the pointer
    // enters the window with its first move.
    CMouseEventResult mouseDown(const CPoint& where, const CButtonState& buttons);
    CMouseEventResult mouseMoved(const CPoint& where, const CButtonState& buttons = CButtonState());
    CMouseEventResult mouseUp(const CPoint& where, const CButtonState& buttons);
    // The pointer leaves the window.
    void mouseExited();
    // A drag from outside: enter, moves, then a leave or a drop.
    void dragEnter(IDataPackage* drag, const CPoint& where);
    void dragMove(IDataPackage* drag, const CPoint& where);
    void dragLeave(IDataPackage* drag, const CPoint& where);
    bool drop(IDataPackage* drag, const CPoint& where);
    int32 keyDown(VstKeyCode key);

private:
    IPlatformFrameCallback* frame;
    BackBuffer buffer;
    std::vector<CRect> redrawn;
    CCursorType currentCursor = kCursorDefault;
    CPoint lastPointer;
};

// Makes CFrame::open create offscreen frames while it lives.
class ScopedOffscreenPlatform {
public:
    ScopedOffscreenPlatform();
    ~ScopedOffscreenPlatform();
    ScopedOffscreenPlatform(const ScopedOffscreenPlatform&) = delete;
    ScopedOffscreenPlatform& operator=(const ScopedOffscreenPlatform&) = delete;

private:
    PlatformFrameFactory previous;
};

}  // namespace VSTGUI
