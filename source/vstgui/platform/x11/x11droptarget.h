// The XDND (version 5) target side of an X11 frame: files dragged from other programs as
// text/uri-list arrive as a data package of local paths, routed to the frame. XdndTarget keeps
// the protocol's rules; this side carries X events to it and its requests to the server.
// User-interface thread.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <optional>

#include "vstgui/platform/x11/xdndtarget.h"

namespace VSTGUI {

class IPlatformDropCallback;

class X11DropTarget final : private XdndTarget::Port {
public:
    // The most a dragged uri list may hold: far more than any real drag of files.
    static constexpr std::size_t kMaxListBytes = std::size_t{8} << 20;

    // window must select PropertyChangeMask, for lists that come in INCR pieces.
    X11DropTarget(Display* display, Window window, IPlatformDropCallback* frame);
    X11DropTarget(const X11DropTarget&) = delete;
    X11DropTarget& operator=(const X11DropTarget&) = delete;

    // True when the event belonged to a drag; may call into the frame.
    bool handleEvent(const XEvent& event);

private:
    // XdndTarget::Port
    std::vector<Atom> typeList(Window source) override;
    std::optional<CRect> windowArea() override;
    void requestData(Time time) override;
    std::optional<XdndTarget::Data> takeData(std::size_t maxBytes) override;
    void send(const XClientMessageEvent& message) override;
    void watch(Window source, bool on) override;

    bool supersededByNext(const XClientMessageEvent& message) const;

    Display* display;
    Window window;
    Atom xdndEnter, xdndPosition, xdndStatus, xdndLeave, xdndDrop, xdndFinished;
    Atom xdndSelection, xdndTypeList, xdndActionCopy, uriListType, incrType, dataProperty;
    std::optional<CRect> area;
    std::chrono::steady_clock::time_point areaTime;
    std::optional<XdndTarget> rules;
};

}  // namespace VSTGUI
