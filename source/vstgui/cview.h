// The base of everything drawn in a frame: a rectangle in frame coordinates that draws itself and
// may answer mouse, drag and key events. Views are owned by the frame they are added to.
#pragma once

#include <atomic>

#include "frame/vst2_interface.h"
#include "vstgui/cbaseobject.h"
#include "vstgui/cbuttonstate.h"
#include "vstgui/crect.h"

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;
class IDataPackage;

class CView : public CBaseObject {
public:
    explicit CView(const CRect& size);
    CView(const CView& other);
    ~CView() override;

    // A new view like this one, not attached to any frame; null for views that cannot be copied.
    virtual CView* newCopy() const { return nullptr; }

    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);

    virtual CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons);

    virtual bool onDrop(IDataPackage* drag, const CPoint& where);
    virtual void onDragEnter(IDataPackage* drag, const CPoint& where);
    virtual void onDragLeave(IDataPackage* drag, const CPoint& where);
    virtual void onDragMove(IDataPackage* drag, const CPoint& where);

    // -1 when the key was not used.
    virtual int32 onKeyDown(VstKeyCode& key);
    virtual void takeFocus() {}
    virtual void looseFocus() {}

    // A dirty view is redrawn at the frame's next idle. Any thread may mark a view dirty.
    virtual void setDirty(bool state = true);
    virtual bool isDirty() const;
    // Redraws the view at the frame's next flush.
    void invalid();
    virtual void invalidRect(const CRect& rect);

    const CRect& getViewSize() const { return size; }
    CRect& getViewSize(CRect& rect) const;
    virtual void setViewSize(const CRect& rect, bool invalidate = true);
    CCoord getWidth() const { return size.getWidth(); }
    CCoord getHeight() const { return size.getHeight(); }
    virtual bool hitTest(const CPoint& where, const CButtonState& buttons = CButtonState());

    void setMouseEnabled(bool enabled) { mouseEnabled = enabled; }
    bool getMouseEnabled() const { return mouseEnabled; }
    void setVisible(bool state);
    bool isVisible() const { return visible; }

    virtual void setBackground(CBitmap* background);
    CBitmap* getBackground() const { return pBackground; }

    // The frame the view is added to, or null.
    CFrame* getFrame() const { return pParentFrame; }
    CView* getParentView() const { return pParentView; }
    bool isAttached() const { return pParentView != nullptr; }
    virtual bool attached(CView* parent);
    virtual bool removed(CView* parent);

protected:
    CRect size;
    CFrame* pParentFrame = nullptr;
    CView* pParentView = nullptr;
    CBitmap* pBackground = nullptr;

private:
    std::atomic<bool> dirty{false};
    bool mouseEnabled = true;
    bool visible = true;
};

}  // namespace VSTGUI
