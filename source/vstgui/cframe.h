// The top view of an editor window: owns its child views, routes the platform's mouse, drag and
// key events to them, tracks the focus, hover and modal views, and repaints dirty views on idle.
// A view that takes a press gets the moves and the release that follow; without a press, moves
// only tell views that the pointer entered or left them (a modal view gets them all).
// Opened into a host window through a platform frame (X11, or an image in tests), which may show it
// zoomed: the views keep their layout coordinates, the window has zoom times as many pixels each
// way, and the platform's window pixels are divided by the zoom on their way in.
// Threads: user-interface thread, except that views may be marked dirty from anywhere.
#pragma once

#include <memory>
#include <vector>

#include "vstgui/cview.h"
#include "vstgui/platform/iplatformframe.h"

namespace VSTGUI {

class DrawnTextEdit;
class IPlatformTextEdit;
class IPlatformTextEditCallback;
class VSTGUIEditorInterface;

class CFrame : public CView, public IPlatformFrameCallback {
public:
    CFrame(const CRect& size, VSTGUIEditorInterface* editor);
    // Opens at once into systemWindow, as open() does.
    CFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor);
    ~CFrame() override;

    // Shows the frame in systemWindow: for X11 the host's window id, held in the pointer. False when
    // the window system refuses or the frame is already open; the frame then works without showing.
    bool open(void* systemWindow);
    // Takes the window down and releases the frame (and with it every view).
    void close();
    bool isOpen() const { return platformFrame != nullptr; }
    // Window pixels per layout unit, from 1 to 4. Set before open; false once open.
    bool setZoom(double factor);
    double getZoom() const { return zoom; }
    IPlatformFrame* getPlatformFrame() const { return platformFrame.get(); }
    VSTGUIEditorInterface* getEditor() const { return editor; }

    // The frame takes over the caller's reference to view; views added later are drawn on top.
    bool addView(CView* view);
    // withForget false hands the reference back to the caller.
    bool removeView(CView* view, bool withForget = true);
    void removeAll(bool withForget = true);
    bool isChild(const CView* view) const;
    int32 getNbViews() const { return static_cast<int32>(children.size()); }
    // The topmost visible, mouse-enabled view under where, or null.
    CView* getViewAt(const CPoint& where) const;

    // While a modal view is set it receives every mouse event. Setting one adds it as the topmost
    // view if it is not a child yet; removing it from the frame ends its modality.
    void setModalView(CView* view);
    CView* getModalView() const { return modalView; }

    void setFocusView(CView* view);
    CView* getFocusView() const { return focusView; }

    void setCursor(CCursorType type);
    CCursorType getCursor() const { return cursor; }

    // A one-line text field over callback's view; it lives until its close().
    IPlatformTextEdit* createPlatformTextEdit(IPlatformTextEditCallback* callback);

    void invalidRect(const CRect& rect) override;
    // Repaints every dirty view now.
    void idle();

    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    bool onDrop(IDataPackage* drag, const CPoint& where) override;
    void onDragEnter(IDataPackage* drag, const CPoint& where) override;
    void onDragLeave(IDataPackage* drag, const CPoint& where) override;
    void onDragMove(IDataPackage* drag, const CPoint& where) override;
    // The focus view first, then an open text field; -1 when nobody used the key.
    int32 onKeyDown(VstKeyCode& key) override;
    // "LooseFocus" from the focus view clears the focus.
    CMessageResult notify(CBaseObject* sender, IdStringPtr message) override;

    // IPlatformFrameCallback
    void platformDrawRect(CDrawContext* context, const CRect& rect) override;
    CMouseEventResult platformOnMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult platformOnMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult platformOnMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult platformOnMouseExited(CPoint& where, const CButtonState& buttons) override;
    void platformOnDragEnter(IDataPackage* drag, const CPoint& where) override;
    void platformOnDragMove(IDataPackage* drag, const CPoint& where) override;
    void platformOnDragLeave(IDataPackage* drag, const CPoint& where) override;
    bool platformOnDrop(IDataPackage* drag, const CPoint& where) override;
    // Tells the editor, which shows the reason.
    void platformOnDropRefused(const char* reason) override;
    int32 platformOnKeyDown(VstKeyCode& key) override;

private:
    void updateMouseOver(CPoint& where, const CButtonState& buttons);
    CPoint toLayout(const CPoint& windowPixel) const { return {windowPixel.x / zoom, windowPixel.y / zoom}; }
    void forgetReferencesTo(const CView* view);

    VSTGUIEditorInterface* editor;
    std::unique_ptr<IPlatformFrame> platformFrame;
    std::vector<CView*> children;
    CView* modalView = nullptr;
    CView* focusView = nullptr;
    CView* mouseDownView = nullptr;
    CView* mouseOverView = nullptr;
    CView* dragView = nullptr;
    DrawnTextEdit* textEdit = nullptr;
    CCursorType cursor = kCursorDefault;
    bool textEditHasKey = false;
    double zoom = 1;
};

}  // namespace VSTGUI
