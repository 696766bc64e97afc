// The XDND (version 5) target side of an X11 frame: files dragged from other programs as
// text/uri-list arrive as a data package of local paths, routed to the frame.
//
// GTK drag sources only look at top-level windows, so the host's top-level window is made
// XdndAware with an XdndProxy to our window, and our window points to itself; both are undone
// (the top-level's earlier values restored) when the target goes away.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

#include "vstgui/crect.h"

namespace VSTGUI {

class CDropSource;
class IPlatformFrameCallback;

class X11DropTarget {
public:
    X11DropTarget(Display* display, Window window, Window hostParent, IPlatformFrameCallback* frame);
    ~X11DropTarget();
    X11DropTarget(const X11DropTarget&) = delete;
    X11DropTarget& operator=(const X11DropTarget&) = delete;

    // True when the event belonged to a drag; may call into the frame.
    bool handleEvent(const XEvent& event);
    // Moves the top-level's properties when the host's window was reparented (a window manager
    // came, went, or mapped the host late).
    void refreshTopLevel();

private:
    struct SavedProperty {
        std::optional<std::vector<unsigned char>> data;
        Atom type = None;
        int format = 0;
    };

    void markAware(Window target, Window proxy);
    void claimTopLevel(Window target);
    void releaseTopLevel();
    Window findTopLevel() const;

    void onEnter(const XClientMessageEvent& message);
    void onPosition(const XClientMessageEvent& message);
    void onLeave(const XClientMessageEvent& message);
    void onDrop(const XClientMessageEvent& message);
    void onSelection(const XSelectionEvent& event);
    void requestData(Time time);
    void enterIfInside();
    void finishDrop();
    void sendStatus(bool accept);
    void sendFinished(bool accepted);
    void reset();

    Display* display;
    Window window;
    Window hostParent;
    IPlatformFrameCallback* frame;
    Window proxiedTopLevel = None;
    SavedProperty savedAware;
    SavedProperty savedProxy;

    Atom xdndAware, xdndProxy, xdndEnter, xdndPosition, xdndStatus, xdndLeave, xdndDrop, xdndFinished;
    Atom xdndSelection, xdndTypeList, xdndActionCopy, uriListType, dataProperty, wmState;

    // The drag under way.
    Window source = None;
    Window messageTarget = None;
    bool offersUriList = false;
    bool requestInFlight = false;
    bool dropPending = false;
    bool dropRetried = false;
    Time dropTime = CurrentTime;
    bool entered = false;
    bool inside = false;
    CPoint position;
    CDropSource* package = nullptr;
};

}  // namespace VSTGUI
