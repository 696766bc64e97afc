#include "vstgui/platform/common/drawntextedit.h"

#include "vstgui/cdrawcontext.h"
#include "vstgui/cframe.h"

namespace VSTGUI {

DrawnTextEdit::DrawnTextEdit(IPlatformTextEditCallback* editCallback)
    : CView(editCallback->platformGetSize()), callback(editCallback), text(editCallback->platformGetText()) {}

void DrawnTextEdit::setText(const std::string& newText) {
    if (newText == text) return;
    text = newText;
    invalid();
}

void DrawnTextEdit::close() {
    if (CFrame* frame = getFrame()) frame->removeView(this, true);
    else forget();
}

void DrawnTextEdit::draw(CDrawContext* context) {
    context->setFillColor(callback->platformGetBackColor());
    context->drawRect(size, kDrawFilled);
    context->setFont(callback->platformGetFont());
    context->setFontColor(callback->platformGetFontColor());
    CRect textRect = size;
    const CPoint inset = callback->platformGetTextInset();
    textRect.inset(inset.x, inset.y);
    context->drawString(text.c_str(), textRect, callback->platformGetHoriTxtAlign());
    setDirty(false);
}

int32 DrawnTextEdit::onKeyDown(VstKeyCode& key) {
    if (key.virt == VKEY_RETURN || key.virt == VKEY_ENTER || key.virt == VKEY_ESCAPE) {
        // The callback closes the field, and this object with it.
        callback->platformLooseFocus(key.virt != VKEY_ESCAPE);
        return 1;
    }
    if (key.virt == VKEY_BACK) {
        if (!text.empty()) {
            text.pop_back();
            invalid();
            callback->platformTextDidChange();
        }
        return 1;
    }
    if (key.virt == 0 && key.character >= 32 && key.character < 127) {
        text.push_back(static_cast<char>(key.character));
        invalid();
        callback->platformTextDidChange();
        return 1;
    }
    return callback->platformOnKeyDown(key) ? 1 : -1;
}

}  // namespace VSTGUI
