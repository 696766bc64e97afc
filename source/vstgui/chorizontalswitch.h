// A switch with a number of positions side by side: the position is picked by the pointer's x,
// the value runs from 0 (leftmost) to 1 (rightmost) in equal steps, and the bitmap holds one image
// per position, stacked top to bottom.
#pragma once

#include "vstgui/ccontrol.h"

namespace VSTGUI {

class CHorizontalSwitch : public CControl {
public:
    CHorizontalSwitch(const CRect& size, IControlListener* listener, int32 tag, int32 subPixmaps,
                      CCoord heightOfOneImage, int32 iMaxPositions, CBitmap* background,
                      const CPoint& offset = CPoint(0, 0));

    CView* newCopy() const override { return new CHorizontalSwitch(*this); }

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;

private:
    int32 subPixmaps;
    CCoord heightOfOneImage;
    int32 maxPositions;
    CPoint offset;
};

}  // namespace VSTGUI
