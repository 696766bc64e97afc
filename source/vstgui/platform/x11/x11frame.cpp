#include "vstgui/platform/x11/x11frame.h"

#include <X11/Xcursor/Xcursor.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <cstdint>

#include "vstgui/platform/common/runloop.h"
#include "vstgui/platform/x11/x11droptarget.h"
#include "vstgui/platform/x11/x11errortrap.h"
#include "vstgui/platform/x11/x11presenter.h"
#include "vstgui/platform/x11/x11xdndaware.h"

namespace VSTGUI {
namespace {

// How often the host's top-level window is looked up again for the drop proxy.
constexpr auto kTopLevelCheckPeriod = std::chrono::milliseconds(500);
// The longest one drain takes events: any client may flood the window with messages, and the
// host's idle call must come back.
constexpr auto kDrainBudget = std::chrono::milliseconds(20);

CButtonState modifiers(unsigned int state) {
    CButtonState buttons;
    if (state & ShiftMask) buttons |= kShift;
    if (state & ControlMask) buttons |= kControl;
    if (state & Mod1Mask) buttons |= kAlt;
    return buttons;
}

CButtonState heldButtons(unsigned int state) {
    CButtonState buttons = modifiers(state);
    if (state & Button1Mask) buttons |= kLButton;
    if (state & Button2Mask) buttons |= kMButton;
    if (state & Button3Mask) buttons |= kRButton;
    return buttons;
}

int32 buttonBit(unsigned int button) {
    switch (button) {
        case Button1: return kLButton;
        case Button2: return kMButton;
        case Button3: return kRButton;
        default: return 0;
    }
}

VstKeyCode keyCode(XKeyEvent& event) {
    char text[8] = {};
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text - 1, &keysym, nullptr);
    VstKeyCode key{0, 0, 0};
    switch (keysym) {
        case XK_BackSpace: key.virt = VKEY_BACK; break;
        case XK_Tab: key.virt = VKEY_TAB; break;
        case XK_Return: key.virt = VKEY_RETURN; break;
        case XK_KP_Enter: key.virt = VKEY_ENTER; break;
        case XK_Escape: key.virt = VKEY_ESCAPE; break;
        case XK_Left: key.virt = VKEY_LEFT; break;
        case XK_Up: key.virt = VKEY_UP; break;
        case XK_Right: key.virt = VKEY_RIGHT; break;
        case XK_Down: key.virt = VKEY_DOWN; break;
        case XK_Home: key.virt = VKEY_HOME; break;
        case XK_End: key.virt = VKEY_END; break;
        case XK_Page_Up: key.virt = VKEY_PAGEUP; break;
        case XK_Page_Down: key.virt = VKEY_PAGEDOWN; break;
        case XK_Insert: key.virt = VKEY_INSERT; break;
        case XK_Delete: key.virt = VKEY_DELETE; break;
        default:
            if (length == 1) key.character = static_cast<unsigned char>(text[0]);
    }
    if (event.state & ShiftMask) key.modifier |= MODIFIER_SHIFT;
    if (event.state & Mod1Mask) key.modifier |= MODIFIER_ALTERNATE;
    if (event.state & ControlMask) key.modifier |= MODIFIER_CONTROL;
    return key;
}

}  // namespace

std::unique_ptr<IPlatformFrame> X11Frame::create(IPlatformFrameCallback* frame, const CRect& size, void* parent) {
    const auto parentWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
    if (parentWindow == None || size.isEmpty()) return nullptr;
    std::shared_ptr<Display> display(XOpenDisplay(nullptr), [](Display* d) {
        if (d) XCloseDisplay(d);
    });
    if (!display) return nullptr;
    {
        X11ErrorTrap trap(display.get());
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display.get(), parentWindow, &attributes) || trap.failed()) return nullptr;
    }
    return std::unique_ptr<IPlatformFrame>(new X11Frame(frame, size, std::move(display), parentWindow));
}

X11Frame::X11Frame(IPlatformFrameCallback* callback, const CRect& size, std::shared_ptr<Display> connection,
                   Window parentWindow)
    : frame(callback),
      display(std::move(connection)),
      parent(parentWindow) {
    const int width = static_cast<int>(size.getWidth()), height = static_cast<int>(size.getHeight());
    Display* x = display.get();
    X11ErrorTrap trap(x);
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask | LeaveWindowMask | KeyPressMask | StructureNotifyMask |
                            PropertyChangeMask;
    // No background: the back buffer paints every pixel, so nothing flickers.
    attributes.background_pixmap = None;
    attributes.bit_gravity = NorthWestGravity;
    window = XCreateWindow(x, parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                           CopyFromParent, InputOutput, CopyFromParent, CWEventMask | CWBackPixmap | CWBitGravity,
                           &attributes);
    presenter = std::make_unique<X11Presenter>(x, window, width, height);
    buffer = std::make_unique<BackBuffer>(presenter->image());
    XMapWindow(x, window);
    dropTarget = std::make_unique<X11DropTarget>(x, window, frame);
    xdndAware = std::make_unique<X11XdndAware>(x, window, parent);
    lastTopLevelCheck = std::chrono::steady_clock::now();
    buffer->invalidate(CRect(0, 0, width, height));
    XFlush(x);
    runLoopId = RunLoop::get().add(ConnectionNumber(x), [this] { return drain(); });
}

X11Frame::~X11Frame() {
    *alive = false;
    RunLoop::get().remove(runLoopId);
    Display* x = display.get();
    X11ErrorTrap trap(x);
    xdndAware.reset();
    dropTarget.reset();
    buffer.reset();
    presenter.reset();
    for (const auto& [type, cursor] : cursors) XFreeCursor(x, cursor);
    // A host may destroy its window, and ours with it, before it closes the editor.
    if (!windowGone) XDestroyWindow(x, window);
}

bool X11Frame::drain() {
    // The frame may be closed by one of the events; the connection stays until the drain ends.
    const std::shared_ptr<Display> connection = display;
    const std::shared_ptr<bool> living = alive;
    X11ErrorTrap trap(connection.get());
    const auto deadline = std::chrono::steady_clock::now() + kDrainBudget;
    bool unfinished = false;
    while (XPending(connection.get()) > 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            unfinished = true;
            break;
        }
        XEvent event;
        XNextEvent(connection.get(), &event);
        handleEvent(event);
        if (!*living) return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTopLevelCheck >= kTopLevelCheckPeriod && !windowGone) {
        lastTopLevelCheck = now;
        xdndAware->refreshTopLevel();
    }
    flush();
    // The drop target's answers, when nothing was drawn.
    XFlush(connection.get());
    return unfinished;
}

void X11Frame::handleEvent(const XEvent& event) {
    if (windowGone) return;
    if (dropTarget->handleEvent(event)) return;
    switch (event.type) {
        case Expose: {
            const XExposeEvent& expose = event.xexpose;
            const CRect exposed(expose.x, expose.y, expose.x + expose.width, expose.y + expose.height);
            // Pixels that are about to be redrawn are shown once they are: a window that has just
            // opened sends the server no empty picture to copy first.
            if (buffer->isInvalid(exposed))
                buffer->invalidate(exposed);
            else
                present(exposed);
            break;
        }
        case ButtonPress:
        case ButtonRelease: {
            const int32 bit = buttonBit(event.xbutton.button);
            // Wheel steps come as buttons 4 to 7; nothing here scrolls.
            if (!bit) break;
            CPoint where(event.xbutton.x, event.xbutton.y);
            CButtonState buttons = modifiers(event.xbutton.state);
            buttons |= bit;
            if (event.type == ButtonPress)
                frame->platformOnMouseDown(where, buttons);
            else
                frame->platformOnMouseUp(where, buttons);
            break;
        }
        case MotionNotify: {
            XEvent latest = event;
            // Only the newest position matters.
            while (XCheckTypedWindowEvent(display.get(), window, MotionNotify, &latest)) {
            }
            CPoint where(latest.xmotion.x, latest.xmotion.y);
            frame->platformOnMouseMoved(where, heldButtons(latest.xmotion.state));
            break;
        }
        case EnterNotify: {
            CPoint where(event.xcrossing.x, event.xcrossing.y);
            frame->platformOnMouseMoved(where, heldButtons(event.xcrossing.state));
            break;
        }
        case LeaveNotify: {
            if (event.xcrossing.mode != NotifyNormal) break;
            CPoint where(event.xcrossing.x, event.xcrossing.y);
            frame->platformOnMouseExited(where, heldButtons(event.xcrossing.state));
            break;
        }
        case KeyPress: {
            XKeyEvent keyEvent = event.xkey;
            VstKeyCode key = keyCode(keyEvent);
            frame->platformOnKeyDown(key);
            break;
        }
        case DestroyNotify:
            if (event.xdestroywindow.window == window) windowGone = true;
            break;
        default: break;
    }
}

void X11Frame::invalidRect(const CRect& rect) { buffer->invalidate(rect); }

void X11Frame::flush() {
    if (windowGone || !buffer->hasInvalid()) return;
    // The host may have destroyed its window already; that error must not end the host.
    X11ErrorTrap trap(display.get());
    for (const CRect& rect : buffer->redraw(frame)) present(rect);
    XFlush(display.get());
}

void X11Frame::present(const CRect& rect) {
    if (!windowGone) presenter->present(rect);
}

Cursor X11Frame::cursorFor(CCursorType type) {
    if (type == kCursorDefault) return None;  // the host's cursor
    const auto found = cursors.find(type);
    if (found != cursors.end()) return found->second;
    Cursor cursor = None;
    if (type == kCursorCopy) {
        // The theme's copy arrow where there is a theme; a plus sign where there is none.
        for (const char* name : {"copy", "dnd-copy"})
            if (cursor == None) cursor = XcursorLibraryLoadCursor(display.get(), name);
        if (cursor == None) cursor = XCreateFontCursor(display.get(), XC_plus);
    } else {
        cursor = XCreateFontCursor(display.get(), XC_hand2);
    }
    cursors[type] = cursor;
    return cursor;
}

void X11Frame::setCursor(CCursorType type) {
    if (windowGone) return;
    X11ErrorTrap trap(display.get());
    XDefineCursor(display.get(), window, cursorFor(type));
    XFlush(display.get());
}

}  // namespace VSTGUI
