#include "vstgui/cview.h"

#include "vstgui/cbitmap.h"
#include "vstgui/cdrawcontext.h"
#include "vstgui/cframe.h"

namespace VSTGUI {

CView::CView(const CRect& rect) : size(rect) {}

CView::CView(const CView& other)
    : CBaseObject(other),
      size(other.size),
      dirty(other.dirty.load()),
      mouseEnabled(other.mouseEnabled),
      visible(other.visible) {
    setBackground(other.pBackground);
}

CView::~CView() { setBackground(nullptr); }

void CView::draw(CDrawContext* context) {
    if (pBackground) pBackground->draw(context, size);
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&) { draw(context); }

CMouseEventResult CView::onMouseDown(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseUp(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseMoved(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseEntered(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseExited(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }

bool CView::onDrop(IDataPackage*, const CPoint&) { return false; }
void CView::onDragEnter(IDataPackage*, const CPoint&) {}
void CView::onDragLeave(IDataPackage*, const CPoint&) {}
void CView::onDragMove(IDataPackage*, const CPoint&) {}

int32 CView::onKeyDown(VstKeyCode&) { return -1; }

void CView::setDirty(bool state) { dirty.store(state, std::memory_order_relaxed); }

bool CView::isDirty() const { return dirty.load(std::memory_order_relaxed); }

void CView::invalid() { invalidRect(size); }

void CView::invalidRect(const CRect& rect) {
    if (pParentFrame) pParentFrame->invalidRect(rect);
}

CRect& CView::getViewSize(CRect& rect) const {
    rect = size;
    return rect;
}

void CView::setViewSize(const CRect& rect, bool invalidate) {
    if (invalidate) invalid();
    size = rect;
    if (invalidate) invalid();
}

bool CView::hitTest(const CPoint& where, const CButtonState&) { return size.pointInside(where); }

void CView::setVisible(bool state) {
    if (visible == state) return;
    visible = state;
    invalid();
}

void CView::setBackground(CBitmap* background) {
    if (background == pBackground) return;
    if (background) background->remember();
    if (pBackground) pBackground->forget();
    pBackground = background;
    setDirty(true);
}

bool CView::attached(CView* parent) {
    if (pParentView) return false;
    pParentView = parent;
    pParentFrame = parent ? parent->getFrame() : nullptr;
    setDirty(true);
    return true;
}

bool CView::removed(CView*) {
    pParentView = nullptr;
    pParentFrame = nullptr;
    return true;
}

}  // namespace VSTGUI
