// A push button: value 1 while the left button holds it down with the pointer over it, 0 when it
// is released; both changes are reported. Its bitmap holds the resting image above the pressed one.
#pragma once

#include "vstgui/ccontrol.h"

namespace VSTGUI {

class CKickButton : public CControl {
public:
    CKickButton(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background,
                const CPoint& offset = CPoint(0, 0));

    CView* newCopy() const override { return new CKickButton(*this); }

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;

    // The buttons and modifiers of the press that is down, or of the last one.
    CButtonState getMouseDownButtons() const { return mouseDownButtons; }

private:
    void setPressed(bool pressed);

    CPoint offset;
    CButtonState mouseDownButtons;
};

}  // namespace VSTGUI
