// A frame shown in an X window: a child of the host's window, drawn from a back buffer with dirty
// rectangles, fed with the pointer, key and drag events of its own X connection. The connection
// is drained from the run loop, which the host's idle calls pump.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <map>
#include <memory>

#include "vstgui/platform/common/backbuffer.h"
#include "vstgui/platform/iplatformframe.h"

namespace VSTGUI {

class X11DropTarget;
class X11Presenter;
class X11XdndAware;

class X11Frame : public IPlatformFrame {
public:
    // Null without a display, or when parent is not a window.
    static std::unique_ptr<IPlatformFrame> create(IPlatformFrameCallback* frame, const CRect& size, void* parent);
    ~X11Frame() override;

    void invalidRect(const CRect& rect) override;
    void flush() override;
    void setCursor(CCursorType type) override;

    Window getWindow() const { return window; }

    // Handles the events the connection has, for a bounded time, then repaints. True when events
    // were left for the next drain.
    bool drain();

private:
    X11Frame(IPlatformFrameCallback* frame, const CRect& size, std::shared_ptr<Display> display, Window parent);
    void handleEvent(const XEvent& event);
    void present(const CRect& rect);
    Cursor cursorFor(CCursorType type);

    IPlatformFrameCallback* frame;
    // Shared with a drain under way, which may outlive the frame when an event closes it.
    std::shared_ptr<Display> display;
    Window parent;
    Window window = None;
    bool windowGone = false;
    std::unique_ptr<X11Presenter> presenter;
    std::unique_ptr<BackBuffer> buffer;
    std::unique_ptr<X11DropTarget> dropTarget;
    std::unique_ptr<X11XdndAware> xdndAware;
    std::map<CCursorType, Cursor> cursors;
    uint64 runLoopId = 0;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    std::chrono::steady_clock::time_point lastTopLevelCheck;
};

}  // namespace VSTGUI
