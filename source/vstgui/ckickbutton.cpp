#include "vstgui/ckickbutton.h"

#include "vstgui/cbitmap.h"

namespace VSTGUI {

CKickButton::CKickButton(const CRect& rect, IControlListener* buttonListener, int32 buttonTag, CBitmap* background,
                         const CPoint& bitmapOffset)
    : CControl(rect, buttonListener, buttonTag, background), offset(bitmapOffset) {}

void CKickButton::draw(CDrawContext* context) {
    if (pBackground)
        pBackground->draw(context, size, CPoint(offset.x, offset.y + (getValue() > 0.5f ? getHeight() : 0)));
    setDirty(false);
}

void CKickButton::setPressed(bool pressed) {
    const float newValue = pressed ? 1.f : 0.f;
    if (getValue() == newValue) return;
    setValue(newValue);
    invalid();
    valueChanged();
}

CMouseEventResult CKickButton::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    mouseDownButtons = buttons;
    beginEdit();
    setPressed(size.pointInside(where));
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (buttons & kLButton) setPressed(size.pointInside(where));
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(CPoint&, const CButtonState&) {
    setPressed(false);
    endEdit();
    return kMouseEventHandled;
}

}  // namespace VSTGUI
