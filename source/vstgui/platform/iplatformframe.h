// The window system's side of a frame. A platform frame shows the frame's drawing in a window (or
// an image) and feeds it the user's mouse, drag and key events through IPlatformFrameCallback.
#pragma once

#include <memory>

#include "frame/vst2_interface.h"
#include "vstgui/cbuttonstate.h"
#include "vstgui/crect.h"

namespace VSTGUI {

class CDrawContext;
class IDataPackage;

// The part of the frame a drop target talks to. Coordinates are the window's pixels: the frame's
// times its zoom.
class IPlatformDropCallback {
public:
    virtual void platformOnDragEnter(IDataPackage* drag, const CPoint& where) = 0;
    virtual void platformOnDragMove(IDataPackage* drag, const CPoint& where) = 0;
    virtual void platformOnDragLeave(IDataPackage* drag, const CPoint& where) = 0;
    virtual bool platformOnDrop(IDataPackage* drag, const CPoint& where) = 0;
    // A drop the window system would not take, with the reason for the user.
    virtual void platformOnDropRefused(const char* reason) = 0;

protected:
    ~IPlatformDropCallback() = default;
};

// Implemented by CFrame. Coordinates are the window's pixels: the frame's times its zoom.
class IPlatformFrameCallback : public IPlatformDropCallback {
public:
    virtual void platformDrawRect(CDrawContext* context, const CRect& rect) = 0;
    virtual CMouseEventResult platformOnMouseDown(CPoint& where, const CButtonState& buttons) = 0;
    virtual CMouseEventResult platformOnMouseMoved(CPoint& where, const CButtonState& buttons) = 0;
    virtual CMouseEventResult platformOnMouseUp(CPoint& where, const CButtonState& buttons) = 0;
    virtual CMouseEventResult platformOnMouseExited(CPoint& where, const CButtonState& buttons) = 0;
    virtual int32 platformOnKeyDown(VstKeyCode& key) = 0;

protected:
    ~IPlatformFrameCallback() = default;
};

class IPlatformFrame {
public:
    virtual ~IPlatformFrame() = default;
    // Marks part of the frame for repainting at the next flush.
    virtual void invalidRect(const CRect& rect) = 0;
    // Repaints what was invalidated and shows it.
    virtual void flush() = 0;
    virtual void setCursor(CCursorType type) = 0;
};

// Makes the platform frame for a frame opened into parent (an X window id for the X11 frame); size
// is in window pixels.
using PlatformFrameFactory = std::unique_ptr<IPlatformFrame> (*)(IPlatformFrameCallback* frame, const CRect& size,
                                                                  void* parent);

// Replaces the factory CFrame::open uses and answers the previous one; null restores the X11 one.
// User-interface thread.
PlatformFrameFactory setPlatformFrameFactory(PlatformFrameFactory factory);
// Null when the window system refuses.
std::unique_ptr<IPlatformFrame> createPlatformFrame(IPlatformFrameCallback* frame, const CRect& size, void* parent);
// Starts, on a thread of its own, making what the X11 frame opened next with size (window pixels)
// needs: hosts ask for the size before they open the window. Any thread.
void preparePlatformFrame(const CRect& size);
// Lets go of what was made ahead, or left by a closed frame for the next one, and is unused.
void releasePreparedPlatformFrame();

}  // namespace VSTGUI
