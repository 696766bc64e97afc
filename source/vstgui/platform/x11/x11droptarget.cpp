#include "vstgui/platform/x11/x11droptarget.h"

#include <iterator>

#include "vstgui/platform/x11/x11property.h"

namespace VSTGUI {
namespace {

// More types than a source could mean: a type list longer than this offers none.
constexpr std::size_t kMaxTypeListBytes = 64 << 10;
// How long our window's place on the screen is taken as known. The window does not move while a
// source holds the pointer, and a flood of drags must not cost a round trip a message.
constexpr auto kAreaLifetime = std::chrono::milliseconds(500);

}  // namespace

X11DropTarget::X11DropTarget(Display* x11Display, Window ours, IPlatformDropCallback* frame)
    : display(x11Display), window(ours) {
    // One round trip for all of them.
    const char* names[] = {"XdndEnter",     "XdndPosition",  "XdndStatus",     "XdndLeave",     "XdndDrop",
                           "XdndFinished",  "XdndSelection", "XdndTypeList",   "XdndActionCopy", "text/uri-list",
                           "INCR",          "TL_XDND_DATA"};
    Atom* const atoms[] = {&xdndEnter,    &xdndPosition,  &xdndStatus,     &xdndLeave,   &xdndDrop,
                           &xdndFinished, &xdndSelection, &xdndTypeList,   &xdndActionCopy, &uriListType,
                           &incrType,     &dataProperty};
    static_assert(std::size(names) == std::size(atoms));
    Atom interned[std::size(names)] = {};
    XInternAtoms(display, const_cast<char**>(names), static_cast<int>(std::size(names)), False, interned);
    for (size_t i = 0; i < std::size(atoms); ++i) *atoms[i] = interned[i];
    rules.emplace(XdndAtoms{xdndEnter, xdndPosition, xdndStatus, xdndLeave, xdndDrop, xdndFinished, xdndActionCopy,
                            uriListType, incrType},
                  static_cast<XdndTarget::Port&>(*this), frame, kMaxListBytes);
}

bool X11DropTarget::handleEvent(const XEvent& event) {
    switch (event.type) {
        case SelectionNotify:
            if (event.xselection.requestor != window || event.xselection.selection != xdndSelection) return false;
            if (event.xselection.property == None || event.xselection.property == dataProperty)
                rules->onSelectionNotify(event.xselection.property == None);
            return true;
        case PropertyNotify:
            if (event.xproperty.window != window || event.xproperty.atom != dataProperty) return false;
            if (event.xproperty.state == PropertyNewValue) rules->onDataChanged();
            return true;
        case DestroyNotify:
            // Our own window's end is the frame's to see.
            if (event.xdestroywindow.window != window) rules->onWindowGone(event.xdestroywindow.window);
            return false;
        case ClientMessage:
            // Of a run of one message from one source only the newest counts: a flood costs no
            // more than its last message.
            if (supersededByNext(event.xclient)) return true;
            return rules->onClientMessage(event.xclient);
        default:
            return false;
    }
}

bool X11DropTarget::supersededByNext(const XClientMessageEvent& message) const {
    const Atom type = message.message_type;
    if (type != xdndEnter && type != xdndPosition && type != xdndLeave && type != xdndDrop) return false;
    if (XEventsQueued(display, QueuedAfterReading) == 0) return false;
    XEvent next;
    XPeekEvent(display, &next);
    return next.type == ClientMessage && next.xclient.message_type == type && next.xclient.window == message.window &&
           next.xclient.format == message.format && next.xclient.data.l[0] == message.data.l[0];
}

std::vector<Atom> X11DropTarget::typeList(Window source) {
    std::vector<Atom> types;
    const auto list = readWholeProperty(display, source, xdndTypeList, kMaxTypeListBytes);
    if (!list || list->format != 32) return types;
    const auto* atoms = reinterpret_cast<const long*>(list->bytes.data());
    for (int i = 0; i < list->count; ++i) types.push_back(static_cast<Atom>(atoms[i]));
    return types;
}

std::optional<CRect> X11DropTarget::windowArea() {
    const auto now = std::chrono::steady_clock::now();
    if (area && now - areaTime < kAreaLifetime) return area;
    area.reset();
    areaTime = now;
    Window root = None;
    Window child = None;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    if (!XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth) ||
        !XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child))
        return std::nullopt;
    area = CRect(x, y, x + static_cast<int>(width), y + static_cast<int>(height));
    return area;
}

void X11DropTarget::requestData(Time time) {
    XDeleteProperty(display, window, dataProperty);
    XConvertSelection(display, xdndSelection, uriListType, dataProperty, window, time);
}

std::optional<XdndTarget::Data> X11DropTarget::takeData(std::size_t maxBytes) {
    const auto property = readWholeProperty(display, window, dataProperty, maxBytes);
    // Deleting it asks the owner of an INCR transfer for the next piece.
    XDeleteProperty(display, window, dataProperty);
    if (!property) return std::nullopt;
    return XdndTarget::Data{property->type, property->format,
                            std::string(property->bytes.begin(), property->bytes.end()), property->tooLarge};
}

void X11DropTarget::send(const XClientMessageEvent& message) {
    // No round trip: a source that has gone makes an error the run loop's trap takes.
    XEvent event{};
    event.xclient = message;
    event.xclient.display = display;
    XSendEvent(display, message.window, False, NoEventMask, &event);
}

void X11DropTarget::watch(Window source, bool on) {
    // Our own window selects other events, which a source naming it must not take away.
    if (source != window) XSelectInput(display, source, on ? StructureNotifyMask : NoEventMask);
}

}  // namespace VSTGUI
