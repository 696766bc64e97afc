#include "vstgui/platform/x11/x11droptarget.h"

#include <X11/Xatom.h>

#include <cstring>
#include <iterator>

#include "vstgui/cdropsource.h"
#include "vstgui/platform/iplatformframe.h"
#include "vstgui/platform/x11/urilist.h"
#include "vstgui/platform/x11/x11errortrap.h"

namespace VSTGUI {
namespace {

constexpr long kXdndVersion = 5;

// A property's raw items; null when the window has none of that name.
std::optional<std::vector<unsigned char>> readProperty(Display* display, Window window, Atom property, Atom* type,
                                                       int* format, unsigned long* count) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1 << 20, False, AnyPropertyType, &actualType,
                           &actualFormat, &items, &remaining, &data) != Success ||
        actualType == None) {
        if (data) XFree(data);
        return std::nullopt;
    }
    // Format 32 items are longs in Xlib's memory, whatever their size on the wire.
    const size_t itemSize = actualFormat == 32 ? sizeof(long) : static_cast<size_t>(actualFormat / 8);
    std::vector<unsigned char> bytes(data, data + items * itemSize);
    XFree(data);
    if (type) *type = actualType;
    if (format) *format = actualFormat;
    if (count) *count = items;
    return bytes;
}

}  // namespace

X11DropTarget::X11DropTarget(Display* x11Display, Window ours, Window parent, IPlatformFrameCallback* callback)
    : display(x11Display), window(ours), hostParent(parent), frame(callback) {
    // One round trip for all of them.
    const char* names[] = {"XdndAware",      "XdndProxy",     "XdndEnter",      "XdndPosition", "XdndStatus",
                           "XdndLeave",      "XdndDrop",      "XdndFinished",   "XdndSelection", "XdndTypeList",
                           "XdndActionCopy", "text/uri-list", "TL_XDND_DATA",   "WM_STATE"};
    Atom* const atoms[] = {&xdndAware,      &xdndProxy,   &xdndEnter,    &xdndPosition,  &xdndStatus,
                           &xdndLeave,      &xdndDrop,    &xdndFinished, &xdndSelection, &xdndTypeList,
                           &xdndActionCopy, &uriListType, &dataProperty, &wmState};
    static_assert(std::size(names) == std::size(atoms));
    Atom interned[std::size(names)] = {};
    XInternAtoms(display, const_cast<char**>(names), static_cast<int>(std::size(names)), False, interned);
    for (size_t i = 0; i < std::size(atoms); ++i) *atoms[i] = interned[i];
    X11ErrorTrap trap(display);
    markAware(window, window);
    claimTopLevel(findTopLevel());
}

X11DropTarget::~X11DropTarget() {
    X11ErrorTrap trap(display);
    releaseTopLevel();
    if (package) package->forget();
}

void X11DropTarget::markAware(Window target, Window proxy) {
    const long version = kXdndVersion;
    XChangeProperty(display, target, xdndAware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    const long proxyId = static_cast<long>(proxy);
    XChangeProperty(display, target, xdndProxy, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&proxyId), 1);
}

Window X11DropTarget::findTopLevel() const {
    // The nearest ancestor a window manager marked with WM_STATE, else the child of the root.
    Window current = hostParent;
    Window rootChild = None;
    for (int depth = 0; current != None && depth < 64; ++depth) {
        if (readProperty(display, current, wmState, nullptr, nullptr, nullptr)) return current;
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, current, &root, &parent, &children, &count)) return rootChild;
        if (children) XFree(children);
        if (parent == root || parent == None) return current;
        rootChild = current;
        current = parent;
    }
    return rootChild;
}

void X11DropTarget::claimTopLevel(Window target) {
    if (target == None || target == proxiedTopLevel) return;
    releaseTopLevel();
    savedAware = {};
    savedProxy = {};
    savedAware.data = readProperty(display, target, xdndAware, &savedAware.type, &savedAware.format, nullptr);
    savedProxy.data = readProperty(display, target, xdndProxy, &savedProxy.type, &savedProxy.format, nullptr);
    markAware(target, window);
    proxiedTopLevel = target;
}

void X11DropTarget::releaseTopLevel() {
    if (proxiedTopLevel == None) return;
    auto restore = [&](Atom property, const SavedProperty& saved) {
        if (!saved.data) {
            XDeleteProperty(display, proxiedTopLevel, property);
            return;
        }
        const size_t itemSize = saved.format == 32 ? sizeof(long) : static_cast<size_t>(saved.format / 8);
        XChangeProperty(display, proxiedTopLevel, property, saved.type, saved.format, PropModeReplace,
                        saved.data->data(), static_cast<int>(saved.data->size() / itemSize));
    };
    restore(xdndAware, savedAware);
    restore(xdndProxy, savedProxy);
    proxiedTopLevel = None;
}

void X11DropTarget::refreshTopLevel() {
    X11ErrorTrap trap(display);
    const Window current = findTopLevel();
    if (!trap.failed() && current != proxiedTopLevel) claimTopLevel(current);
}

bool X11DropTarget::handleEvent(const XEvent& event) {
    if (event.type == SelectionNotify && event.xselection.requestor == window &&
        event.xselection.selection == xdndSelection) {
        onSelection(event.xselection);
        return true;
    }
    if (event.type != ClientMessage) return false;
    const XClientMessageEvent& message = event.xclient;
    if (message.message_type == xdndEnter)
        onEnter(message);
    else if (message.message_type == xdndPosition)
        onPosition(message);
    else if (message.message_type == xdndLeave)
        onLeave(message);
    else if (message.message_type == xdndDrop)
        onDrop(message);
    else
        return false;
    return true;
}

void X11DropTarget::reset() {
    if (package) package->forget();
    package = nullptr;
    source = None;
    messageTarget = None;
    offersUriList = requestInFlight = dropPending = dropRetried = entered = inside = false;
    dropTime = CurrentTime;
}

void X11DropTarget::onEnter(const XClientMessageEvent& message) {
    if (entered) frame->platformOnDragLeave(package, position);
    reset();
    const long version = (message.data.l[1] >> 24) & 0xFF;
    if (version < 3) return;
    source = static_cast<Window>(message.data.l[0]);
    messageTarget = message.window;
    if (message.data.l[1] & 1) {
        X11ErrorTrap trap(display);
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        const auto types = readProperty(display, source, xdndTypeList, &type, &format, &count);
        if (types && format == 32) {
            const auto* atoms = reinterpret_cast<const long*>(types->data());
            for (unsigned long i = 0; i < count; ++i)
                if (static_cast<Atom>(atoms[i]) == uriListType) offersUriList = true;
        }
    } else {
        for (int i = 2; i <= 4; ++i)
            if (static_cast<Atom>(message.data.l[i]) == uriListType) offersUriList = true;
    }
}

void X11DropTarget::onPosition(const XClientMessageEvent& message) {
    if (static_cast<Window>(message.data.l[0]) != source) return;
    messageTarget = message.window;
    const int rootX = static_cast<int>((message.data.l[2] >> 16) & 0xFFFF);
    const int rootY = static_cast<int>(message.data.l[2] & 0xFFFF);
    int x = 0;
    int y = 0;
    Window child = None;
    XWindowAttributes attributes{};
    {
        X11ErrorTrap trap(display);
        XTranslateCoordinates(display, DefaultRootWindow(display), window, rootX, rootY, &x, &y, &child);
        XGetWindowAttributes(display, window, &attributes);
        if (trap.failed()) return;
    }
    position = CPoint(x, y);
    inside = x >= 0 && y >= 0 && x < attributes.width && y < attributes.height;
    // The controls want the paths as soon as the drag enters. Some sources (Qt) serve only
    // requests stamped with the time of their latest position, so each position may ask again.
    if (offersUriList && !package && !requestInFlight) requestData(static_cast<Time>(message.data.l[3]));
    if (package) {
        if (inside && !entered) {
            entered = true;
            frame->platformOnDragEnter(package, position);
        } else if (inside) {
            frame->platformOnDragMove(package, position);
        } else if (entered) {
            entered = false;
            frame->platformOnDragLeave(package, position);
        }
    }
    // Until the paths have come, a drop is still welcome; one with no local file is not.
    sendStatus(offersUriList && inside && (!package || package->getCount() > 0));
}

void X11DropTarget::onLeave(const XClientMessageEvent& message) {
    if (static_cast<Window>(message.data.l[0]) != source) return;
    if (entered) frame->platformOnDragLeave(package, position);
    reset();
}

void X11DropTarget::onDrop(const XClientMessageEvent& message) {
    if (static_cast<Window>(message.data.l[0]) != source) return;
    messageTarget = message.window;
    if (!offersUriList || !inside) {
        sendFinished(false);
        if (entered) frame->platformOnDragLeave(package, position);
        reset();
        return;
    }
    dropPending = true;
    dropTime = static_cast<Time>(message.data.l[2]);
    if (package)
        finishDrop();
    else if (!requestInFlight)
        requestData(dropTime);
}

void X11DropTarget::requestData(Time time) {
    requestInFlight = true;
    X11ErrorTrap trap(display);
    XDeleteProperty(display, window, dataProperty);
    XConvertSelection(display, xdndSelection, uriListType, dataProperty, window, time);
}

void X11DropTarget::onSelection(const XSelectionEvent& event) {
    if (!requestInFlight || package) return;
    requestInFlight = false;
    if (event.property == None) {
        // Refused: ask again with the drop's own time, or give up on a drop that was asked for.
        if (dropPending && !dropRetried) {
            dropRetried = true;
            requestData(dropTime);
        } else if (dropPending) {
            package = new CDropSource();
            finishDrop();
        }
        return;
    }
    std::vector<std::string> paths;
    {
        X11ErrorTrap trap(display);
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        const auto bytes = readProperty(display, window, dataProperty, &type, &format, &count);
        XDeleteProperty(display, window, dataProperty);
        if (bytes && format == 8)
            paths = localPathsFromUriList(std::string(bytes->begin(), bytes->end()), localHostName());
    }
    package = new CDropSource(paths);
    if (dropPending)
        finishDrop();
    else
        enterIfInside();
}

void X11DropTarget::enterIfInside() {
    if (inside && !entered && package) {
        entered = true;
        frame->platformOnDragEnter(package, position);
    }
}

void X11DropTarget::finishDrop() {
    enterIfInside();
    // The frame tells the target view to leave after the drop.
    const bool accepted = entered && frame->platformOnDrop(package, position);
    entered = false;
    sendFinished(accepted);
    reset();
}

void X11DropTarget::sendStatus(bool accept) {
    XEvent reply{};
    reply.xclient.type = ClientMessage;
    reply.xclient.display = display;
    reply.xclient.window = source;
    reply.xclient.message_type = xdndStatus;
    reply.xclient.format = 32;
    // The source addressed the top-level we proxy for; it expects that window back.
    reply.xclient.data.l[0] = static_cast<long>(messageTarget);
    reply.xclient.data.l[1] = accept ? 1 : 0;
    reply.xclient.data.l[4] = accept ? static_cast<long>(xdndActionCopy) : None;
    X11ErrorTrap trap(display);
    XSendEvent(display, source, False, NoEventMask, &reply);
}

void X11DropTarget::sendFinished(bool accepted) {
    XEvent reply{};
    reply.xclient.type = ClientMessage;
    reply.xclient.display = display;
    reply.xclient.window = source;
    reply.xclient.message_type = xdndFinished;
    reply.xclient.format = 32;
    reply.xclient.data.l[0] = static_cast<long>(messageTarget);
    reply.xclient.data.l[1] = accepted ? 1 : 0;
    reply.xclient.data.l[2] = accepted ? static_cast<long>(xdndActionCopy) : None;
    X11ErrorTrap trap(display);
    XSendEvent(display, source, False, NoEventMask, &reply);
}

}  // namespace VSTGUI
