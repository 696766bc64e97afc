#include "vstgui/ccontrol.h"

#include "vstgui/cframe.h"
#include "vstgui/vstguieditorinterface.h"

namespace VSTGUI {

CControl::CControl(const CRect& rect, IControlListener* controlListener, int32 controlTag, CBitmap* background)
    : CView(rect), listener(controlListener), tag(controlTag) {
    setBackground(background);
}

CControl::CControl(const CControl& other)
    : CView(other), listener(other.listener), tag(other.tag), value(other.getValue()), drawnValue(other.getValue()) {}

void CControl::setValue(float newValue) { value.store(newValue, std::memory_order_relaxed); }

void CControl::valueChanged() {
    if (listener) listener->valueChanged(this);
}

void CControl::beginEdit() {
    if (listener) listener->controlBeginEdit(this);
    if (CFrame* frame = getFrame())
        if (VSTGUIEditorInterface* editor = frame->getEditor()) editor->beginEdit(tag);
}

void CControl::endEdit() {
    if (CFrame* frame = getFrame())
        if (VSTGUIEditorInterface* editor = frame->getEditor()) editor->endEdit(tag);
    if (listener) listener->controlEndEdit(this);
}

void CControl::setDirty(bool state) {
    CView::setDirty(state);
    if (!state) drawnValue.store(getValue(), std::memory_order_relaxed);
}

bool CControl::isDirty() const {
    return CView::isDirty() || drawnValue.load(std::memory_order_relaxed) != getValue();
}

}  // namespace VSTGUI
