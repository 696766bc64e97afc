#include "editor/cmytextlabel.h"

#include <algorithm>

#include "editor/cmycontrollistener.h"
#include "editor/editor_colors.h"
#include "editor/slot_rows.h"
#include "vstgui/cdrawcontext.h"
#include "vstgui/cframe.h"
#include "vstgui/idatapackage.h"

using namespace VSTGUI;

namespace {

constexpr float kPlainClick = 1.0f;
constexpr float kCommandClick = 2.1f;
constexpr float kShiftCommandClick = 3.1f;
constexpr float kResetClick = 4.1f;
constexpr float kPlayClick = 5.1f;

}  // namespace

CMyTextLabel::CMyTextLabel(const CRect& rect, IControlListener* labelListener, int32 labelTag, const char* labelText,
                           CBitmap* background, int32 style)
    : CParamDisplay(rect, background, style) {
    setListener(labelListener);
    setTag(labelTag);
    setText(labelText);
}

void CMyTextLabel::setText(const char* newText) {
    if (newText && text == newText) return;
    text = newText ? newText : "";
    setDirty(true);
}

void CMyTextLabel::setFrameCursor(CCursorType type) {
    if (CFrame* frame = getFrame()) frame->setCursor(type);
}

void CMyTextLabel::draw(CDrawContext* context) {
    drawBack(context, nullptr);
    setFontColor(DisplayMode != 0 ? kGreyCColor : kWhiteCColor);
    drawText(context, text.c_str());

    if (!HasFile) {
        // An empty slot is a dark bar that hides its text.
        context->setFrameColor(kGreyCColor);
        context->setFillColor(DarkGreyCColor);
        context->drawRect(size, kDrawFilledAndStroked);
    } else if (DisplayMode > 0) {
        context->setFrameColor(DarkGreyCColor);
        context->drawRect(size, kDrawStroked);
        const CCoord width = size.right - size.left;
        const CCoord x = size.left + width * ParamValue;
        CCoord halfWidth = 6;
        switch (DisplayMode) {
            case 1:
                context->setFillColor(PitchRevColor);
                halfWidth = 3;
                break;
            case 2:
                context->setFillColor(GreyTranspCColor);
                halfWidth = (ParamValue < 0.2f || ParamValue > 0.8f) ? width / 3 : width / 6;
                break;
            case 3:
                context->setFillColor(GreyTranspCColor);
                halfWidth = width * 0.5;
                break;
            case 4:
                context->setFillColor(PlayVolColor);
                halfWidth = 3;
                break;
            default: context->setFillColor(PlayVolColor);
        }
        CRect marker(x - halfWidth, size.top, x + halfWidth, size.bottom);
        context->drawRect(marker.normalize(), kDrawFilledAndStroked);
    }

    if (DropHighlight || DragState > 0) {
        // A grey that brightens and darkens again over 18 draws.
        HighlightPhase = HighlightPhase <= 391 ? HighlightPhase + 24 : 0;
        const int32 v = HighlightPhase <= 207 ? HighlightPhase : 159 - HighlightPhase;
        const auto grey = static_cast<uint8>((v + 48) & 0xFF);
        context->setFillColor(CColor(grey, grey, grey, 128));
        context->drawRect(size, kDrawFilled);
    }
    setDirty(false);
}

CMouseEventResult CMyTextLabel::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    beginEdit();
    const int32 modifiers = buttons & kModifierMask;
    if (DisplayMode > 0) {
        if (modifiers == kControl || modifiers == kShift) {
            setValue(modifiers == kControl ? kResetClick : kPlayClick);
            valueChanged();
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
        // The drag-edit starts at the pressed point.
        return onMouseMoved(where, buttons);
    }
    if (modifiers == kControl) {
        setValue(kCommandClick);
    } else if (modifiers == (kShift | kControl)) {
        setValue(kShiftCommandClick);
    } else {
        setValue(kPlainClick);
        if (modifiers == kAlt) {
            DragState = 1;
            setDirty(true);
            return onMouseMoved(where, buttons);
        }
    }
    if (listener) valueChanged();
    endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CMouseEventResult CMyTextLabel::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (getValue() > 4.0f) setValue(0.f);
    if (!(buttons & kLButton)) return kMouseEventHandled;

    if (DisplayMode > 0) {
        const double fraction = (where.x - size.left) / (size.right - size.left);
        const float value = std::clamp(static_cast<float>(fraction), 0.f, 1.f);
        if (value != ParamValue) {
            ParamValue = value;
            valueChanged();
        }
        return kMouseEventHandled;
    }

    if (DragState == 0) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    DragTarget = -1;
    if (where.isInside(size)) {
        setFrameCursor(kCursorDefault);
    } else {
        for (int32 slot = 0; slot < kNumSlots; ++slot) {
            const CCoord top = slotRowTop(slot);
            const CRect area(kSlotLabelLeft, top, kSlotLabelLeft + getWidth(), top + getHeight());
            if (where.isInside(area)) {
                DragTarget = slot;
                if (DragState == 1) setFrameCursor(kCursorHand);
            }
        }
        if (DragTarget < 0) setFrameCursor(kCursorDefault);
    }
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult CMyTextLabel::onMouseUp(CPoint&, const CButtonState&) {
    // The editor reads DragState and DragTarget while it is told.
    if (DragState != 0) valueChanged();
    DragState = 0;
    DragTarget = -1;
    setValue(0.f);
    return kMouseEventHandled;
}

CMouseEventResult CMyTextLabel::onMouseEntered(CPoint&, const CButtonState&) {
    if (CMyControlListener* my = myListener(listener)) my->MouseOver(this);
    return kMouseEventHandled;
}

CMouseEventResult CMyTextLabel::onMouseExited(CPoint&, const CButtonState&) {
    if (CMyControlListener* my = myListener(listener)) my->MouseExit(this);
    return kMouseEventHandled;
}

bool CMyTextLabel::onDrop(IDataPackage* drag, const CPoint& where) {
    if (drag->getDataType(0) < 0) return false;
    CMyControlListener* my = myListener(listener);
    const bool loaded = my && my->HandleDragDrop(this, drag, false, where);
    DropHighlight = false;
    return loaded;
}

void CMyTextLabel::onDragEnter(IDataPackage* drag, const CPoint& where) {
    setFrameCursor(kCursorCopy);
    if (CMyControlListener* my = myListener(listener)) my->HandleDragEnterLeave(this, drag, true, where);
    setDirty(true);
}

void CMyTextLabel::onDragLeave(IDataPackage* drag, const CPoint& where) {
    setFrameCursor(drag->getCount() != 0 ? kCursorCopy : kCursorDefault);
    if (CMyControlListener* my = myListener(listener)) my->HandleDragEnterLeave(this, drag, false, where);
}

void CMyTextLabel::onDragMove(IDataPackage*, const CPoint&) {}
