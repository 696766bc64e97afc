// The rules of an XDND (version 5) drop target, apart from the X connection: which client messages
// belong to the drag under way, what is answered and to whom, when the dragged uri list is asked
// for and taken (whole, or in the pieces of an INCR transfer), and what the frame hears.
// X11DropTarget feeds it X events and carries out what it asks through Port; the fuzzer drives it
// with messages and data of any shape.
//
// Any client on the display may send these messages, so only the source that entered is answered,
// and nothing a source sends can make the target hold more than maxListBytes. User-interface thread.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "vstgui/crect.h"

namespace VSTGUI {

class CDropSource;
class IPlatformDropCallback;

struct XdndAtoms {
    Atom enter, position, status, leave, drop, finished, actionCopy, uriList, incr;
};

class XdndTarget {
public:
    // A property as the port took it: whole, or marked tooLarge and without its bytes.
    struct Data {
        Atom type = None;
        int format = 0;
        std::string bytes;
        bool tooLarge = false;
    };

    // The X side. Only typeList, windowArea and takeData may wait for the server.
    class Port {
    public:
        // The source's XdndTypeList; empty when it has none.
        virtual std::vector<Atom> typeList(Window source) = 0;
        // Our window in root coordinates; null when it is gone.
        virtual std::optional<CRect> windowArea() = 0;
        // Asks the selection's owner for the uri list in our data property.
        virtual void requestData(Time time) = 0;
        // Reads our data property and deletes it; null when there is none.
        virtual std::optional<Data> takeData(std::size_t maxBytes) = 0;
        // Sends message to message.window.
        virtual void send(const XClientMessageEvent& message) = 0;
        // Starts or stops hearing of the source window's destruction.
        virtual void watch(Window source, bool on) = 0;

    protected:
        ~Port() = default;
    };

    XdndTarget(const XdndAtoms& atoms, Port& port, IPlatformDropCallback* frame, std::size_t maxListBytes);
    ~XdndTarget();
    XdndTarget(const XdndTarget&) = delete;
    XdndTarget& operator=(const XdndTarget&) = delete;

    // False when message is no XDND message to a target.
    bool onClientMessage(const XClientMessageEvent& message);
    // The owner answered our request for the data: refused (no property), or in our data property.
    void onSelectionNotify(bool refused);
    // Our data property has a new value: the next piece of an INCR transfer.
    void onDataChanged();
    void onWindowGone(Window gone);

private:
    enum class Transfer { Idle, Requested, InPieces };

    void onEnter(const XClientMessageEvent& message);
    void onPosition(const XClientMessageEvent& message);
    void onDrop(const XClientMessageEvent& message);
    bool fromSource(const XClientMessageEvent& message) const;
    void request(Time time);
    void arrived(const Data& data);
    void enterIfInside();
    void leaveFrame();
    void finishDrop();
    void reply(Atom type, bool accepted);
    void reset();

    const XdndAtoms atoms;
    Port& port;
    IPlatformDropCallback* frame;
    const std::size_t maxListBytes;

    // The drag under way.
    Window source = None;
    Window messageTarget = None;
    bool offersUriList = false;
    Transfer transfer = Transfer::Idle;
    std::string pieces;
    bool piecesAreText = true;
    CDropSource* package = nullptr;
    bool tooLarge = false;
    bool dropPending = false;
    bool dropRetried = false;
    Time dropTime = CurrentTime;
    bool entered = false;
    bool inside = false;
    CPoint position;
};

}  // namespace VSTGUI
