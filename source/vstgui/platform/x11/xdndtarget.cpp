#include "vstgui/platform/x11/xdndtarget.h"

#include "vstgui/cdropsource.h"
#include "vstgui/platform/iplatformframe.h"
#include "vstgui/platform/x11/urilist.h"

namespace VSTGUI {
namespace {

// XSendEvent reads window 0 as the window under the pointer and 1 as the focused one: a source
// naming either would have our answers land on some other client's window.
bool isWindow(long id) { return id != PointerWindow && id != InputFocus; }

}  // namespace

XdndTarget::XdndTarget(const XdndAtoms& names, Port& xPort, IPlatformDropCallback* callback, std::size_t maxBytes)
    : atoms(names), port(xPort), frame(callback), maxListBytes(maxBytes) {}

XdndTarget::~XdndTarget() {
    if (package) package->forget();
}

bool XdndTarget::onClientMessage(const XClientMessageEvent& message) {
    if (message.format != 32) return false;
    const Atom type = message.message_type;
    if (type == atoms.enter) {
        onEnter(message);
    } else if (type == atoms.position) {
        onPosition(message);
    } else if (type == atoms.drop) {
        onDrop(message);
    } else if (type == atoms.leave) {
        if (!fromSource(message)) return true;
        leaveFrame();
        reset();
    } else {
        return false;
    }
    return true;
}

bool XdndTarget::fromSource(const XClientMessageEvent& message) const {
    return source != None && static_cast<Window>(message.data.l[0]) == source;
}

void XdndTarget::onEnter(const XClientMessageEvent& message) {
    if (!isWindow(message.data.l[0])) return;
    leaveFrame();
    reset();
    const long version = (message.data.l[1] >> 24) & 0xFF;
    if (version < 3) return;
    source = static_cast<Window>(message.data.l[0]);
    messageTarget = message.window;
    port.watch(source, true);
    if (message.data.l[1] & 1) {
        for (const Atom type : port.typeList(source)) offersUriList = offersUriList || type == atoms.uriList;
    } else {
        for (int i = 2; i <= 4; ++i) offersUriList = offersUriList || static_cast<Atom>(message.data.l[i]) == atoms.uriList;
    }
}

void XdndTarget::onPosition(const XClientMessageEvent& message) {
    if (!fromSource(message)) return;
    messageTarget = message.window;
    const std::optional<CRect> area = port.windowArea();
    const CPoint root(static_cast<CCoord>((message.data.l[2] >> 16) & 0xFFFF), static_cast<CCoord>(message.data.l[2] & 0xFFFF));
    inside = area && area->pointInside(root);
    if (area) position = CPoint(root.x - area->left, root.y - area->top);
    // The controls want the paths as soon as the drag enters. Some sources (Qt) serve only
    // requests stamped with the time of their latest position, so each position may ask again.
    if (offersUriList && !package && !tooLarge && transfer == Transfer::Idle) request(static_cast<Time>(message.data.l[3]));
    if (package) {
        if (inside && !entered) {
            entered = true;
            frame->platformOnDragEnter(package, position);
        } else if (inside) {
            frame->platformOnDragMove(package, position);
        } else {
            leaveFrame();
        }
    }
    // Until the paths have come, a drop is still welcome; one with no local file is not. A list
    // too large is, so that the drop can say why it loads nothing.
    reply(atoms.status, offersUriList && inside && (!package || package->getCount() > 0));
}

void XdndTarget::onDrop(const XClientMessageEvent& message) {
    if (!fromSource(message)) return;
    messageTarget = message.window;
    if (!offersUriList || !inside) {
        reply(atoms.finished, false);
        leaveFrame();
        reset();
        return;
    }
    dropPending = true;
    dropTime = static_cast<Time>(message.data.l[2]);
    if (package || tooLarge)
        finishDrop();
    else if (transfer == Transfer::Idle)
        request(dropTime);
}

void XdndTarget::request(Time time) {
    transfer = Transfer::Requested;
    port.requestData(time);
}

void XdndTarget::onSelectionNotify(bool refused) {
    if (transfer != Transfer::Requested) return;
    transfer = Transfer::Idle;
    if (refused) {
        // Ask again with the drop's own time, or give up on a drop that was asked for.
        if (dropPending && !dropRetried) {
            dropRetried = true;
            request(dropTime);
        } else if (dropPending) {
            arrived({});
        }
        return;
    }
    const std::optional<Data> data = port.takeData(maxListBytes);
    if (data && !data->tooLarge && data->type == atoms.incr) {
        // The owner sends the list in pieces, each once we have deleted the one before.
        transfer = Transfer::InPieces;
        pieces.clear();
        piecesAreText = true;
        return;
    }
    arrived(data.value_or(Data{}));
}

void XdndTarget::onDataChanged() {
    if (transfer != Transfer::InPieces) return;
    const std::optional<Data> piece = port.takeData(maxListBytes - pieces.size());
    if (!piece) return;
    if (!piece->tooLarge && !piece->bytes.empty()) {
        pieces += piece->bytes;
        piecesAreText = piecesAreText && piece->format == 8;
        return;
    }
    // An empty piece ends the transfer.
    transfer = Transfer::Idle;
    arrived({piece->type, piecesAreText ? 8 : 0, std::move(pieces), piece->tooLarge});
}

void XdndTarget::arrived(const Data& data) {
    tooLarge = data.tooLarge;
    if (!tooLarge)
        package = new CDropSource(data.format == 8 ? localPathsFromUriList(data.bytes, localHostName()) : std::vector<std::string>());
    if (dropPending)
        finishDrop();
    else
        enterIfInside();
}

void XdndTarget::onWindowGone(Window gone) {
    if (source == None || gone != source) return;
    // Nobody is left to answer.
    source = None;
    leaveFrame();
    reset();
}

void XdndTarget::enterIfInside() {
    if (inside && !entered && package) {
        entered = true;
        frame->platformOnDragEnter(package, position);
    }
}

void XdndTarget::leaveFrame() {
    if (entered) frame->platformOnDragLeave(package, position);
    entered = false;
}

void XdndTarget::finishDrop() {
    if (tooLarge) {
        const std::string reason = "The dragged list of files is larger than " + std::to_string(maxListBytes >> 20) +
                                   " MiB, more than one drop takes; drop fewer files at a time.";
        frame->platformOnDropRefused(reason.c_str());
        reply(atoms.finished, false);
        reset();
        return;
    }
    enterIfInside();
    // The frame tells the target view to leave after the drop.
    const bool accepted = entered && frame->platformOnDrop(package, position);
    entered = false;
    reply(atoms.finished, accepted);
    reset();
}

void XdndTarget::reply(Atom type, bool accepted) {
    XClientMessageEvent message{};
    message.type = ClientMessage;
    message.window = source;
    message.message_type = type;
    message.format = 32;
    // The source addressed the top-level we proxy for; it expects that window back.
    message.data.l[0] = static_cast<long>(messageTarget);
    message.data.l[1] = accepted ? 1 : 0;
    const long action = accepted ? static_cast<long>(atoms.actionCopy) : None;
    message.data.l[type == atoms.status ? 4 : 2] = action;
    port.send(message);
}

void XdndTarget::reset() {
    if (package) package->forget();
    package = nullptr;
    if (source != None) port.watch(source, false);
    source = messageTarget = None;
    offersUriList = tooLarge = dropPending = dropRetried = entered = inside = false;
    transfer = Transfer::Idle;
    pieces.clear();
    dropTime = CurrentTime;
}

}  // namespace VSTGUI
