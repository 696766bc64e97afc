#include "vstgui/chorizontalswitch.h"

#include <algorithm>
#include <cmath>

#include "vstgui/cbitmap.h"

namespace VSTGUI {

CHorizontalSwitch::CHorizontalSwitch(const CRect& rect, IControlListener* switchListener, int32 switchTag,
                                     int32 images, CCoord imageHeight, int32 positions, CBitmap* background,
                                     const CPoint& bitmapOffset)
    : CControl(rect, switchListener, switchTag, background),
      subPixmaps(std::max(images, 1)),
      heightOfOneImage(imageHeight),
      maxPositions(std::max(positions, 2)),
      offset(bitmapOffset) {}

void CHorizontalSwitch::draw(CDrawContext* context) {
    if (pBackground) {
        const float value = std::clamp(getValue(), 0.f, 1.f);
        const auto image = static_cast<int32>(value * static_cast<float>(subPixmaps - 1) + 0.5f);
        pBackground->draw(context, size, CPoint(offset.x, offset.y + image * heightOfOneImage));
    }
    setDirty(false);
}

CMouseEventResult CHorizontalSwitch::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult CHorizontalSwitch::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventHandled;
    const double fraction = (where.x - size.left) / size.getWidth();
    const int32 position = std::clamp(static_cast<int32>(std::floor(fraction * maxPositions)), 0, maxPositions - 1);
    const float newValue = static_cast<float>(position) / static_cast<float>(maxPositions - 1);
    if (newValue != getValue()) {
        setValue(newValue);
        invalid();
        valueChanged();
    }
    return kMouseEventHandled;
}

CMouseEventResult CHorizontalSwitch::onMouseUp(CPoint&, const CButtonState&) {
    endEdit();
    return kMouseEventHandled;
}

}  // namespace VSTGUI
