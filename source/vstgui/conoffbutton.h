// A button that toggles its value between 0 and 1 on each left click. Its bitmap holds the off
// image above the on image; without a bitmap it draws nothing.
#pragma once

#include "vstgui/ccontrol.h"

namespace VSTGUI {

class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
                 CBitmap* background = nullptr, int32 style = 0);

    CView* newCopy() const override { return new COnOffButton(*this); }
    int32 getStyle() const { return style; }

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

private:
    int32 style;
};

}  // namespace VSTGUI
