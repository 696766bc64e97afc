#include "vstgui/conoffbutton.h"

#include "vstgui/cbitmap.h"

namespace VSTGUI {

COnOffButton::COnOffButton(const CRect& rect, IControlListener* buttonListener, int32 buttonTag,
                           CBitmap* background, int32 buttonStyle)
    : CControl(rect, buttonListener, buttonTag, background), style(buttonStyle) {}

void COnOffButton::draw(CDrawContext* context) {
    if (pBackground) pBackground->draw(context, size, CPoint(0, getValue() > 0.5f ? getHeight() : 0));
    setDirty(false);
}

CMouseEventResult COnOffButton::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    setValue(getValue() > 0.5f ? 0.f : 1.f);
    invalid();
    beginEdit();
    valueChanged();
    endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

}  // namespace VSTGUI
