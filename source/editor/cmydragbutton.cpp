#include "editor/cmydragbutton.h"

#include "editor/cmycontrollistener.h"
#include "vstgui/cbitmap.h"
#include "vstgui/cframe.h"
#include "vstgui/idatapackage.h"

using namespace VSTGUI;

CMyDragButton::CMyDragButton(const CRect& rect, IControlListener* buttonListener, int32 buttonTag,
                             CBitmap* background)
    : CControl(rect, buttonListener, buttonTag, background) {}

CMyDragButton::CMyDragButton(const CMyDragButton& other) : CControl(other), DropHighlight(other.DropHighlight) {}

CMyDragButton::~CMyDragButton() { setListener(nullptr); }

void CMyDragButton::setFrameCursor(CCursorType type) {
    if (CFrame* frame = getFrame()) frame->setCursor(type);
}

void CMyDragButton::draw(CDrawContext* context) {
    if (pBackground) {
        const CCoord offset = DropHighlight ? pBackground->getHeight() / 2 : 0;
        pBackground->draw(context, size, CPoint(0, offset), 1.f);
    }
    setDirty(false);
}

bool CMyDragButton::onDrop(IDataPackage* drag, const CPoint& where) {
    if (drag->getDataType(0) < 0) return false;
    CMyControlListener* my = myListener(listener);
    const bool loaded = my && my->HandleDragDrop(this, drag, false, where);
    DropHighlight = false;
    return loaded;
}

void CMyDragButton::onDragEnter(IDataPackage* drag, const CPoint& where) {
    setFrameCursor(kCursorCopy);
    if (CMyControlListener* my = myListener(listener)) my->HandleDragEnterLeave(this, drag, true, where);
    setDirty(true);
}

void CMyDragButton::onDragLeave(IDataPackage* drag, const CPoint& where) {
    setFrameCursor(drag->getCount() != 0 ? kCursorCopy : kCursorDefault);
    if (CMyControlListener* my = myListener(listener)) my->HandleDragEnterLeave(this, drag, false, where);
    setDirty(true);
}

void CMyDragButton::onDragMove(IDataPackage*, const CPoint&) {}

CMouseEventResult CMyDragButton::onMouseEntered(CPoint&, const CButtonState&) {
    if (CMyControlListener* my = myListener(listener)) my->MouseOver(this);
    return kMouseEventHandled;
}

CMouseEventResult CMyDragButton::onMouseExited(CPoint&, const CButtonState&) {
    if (CMyControlListener* my = myListener(listener)) my->MouseExit(this);
    return kMouseEventHandled;
}
