#include "vstgui/ctextlabel.h"

namespace VSTGUI {

CTextLabel::CTextLabel(const CRect& rect, UTF8StringPtr labelText, CBitmap* background, int32 style)
    : CParamDisplay(rect, background, style) {
    setText(labelText);
}

void CTextLabel::setText(UTF8StringPtr newText) {
    const std::string replacement = newText ? newText : "";
    if (replacement == text) return;
    text = replacement;
    setDirty(true);
}

void CTextLabel::draw(CDrawContext* context) {
    drawBack(context);
    drawText(context, text.c_str());
    setDirty(false);
}

}  // namespace VSTGUI
