#include "vstgui/cparamdisplay.h"

#include <cstdio>

#include "vstgui/cbitmap.h"
#include "vstgui/cdrawcontext.h"

namespace VSTGUI {

CParamDisplay::CParamDisplay(const CRect& rect, CBitmap* background, int32 displayStyle)
    : CControl(rect, nullptr, 0, background), style(displayStyle) {
    font->remember();
}

CParamDisplay::CParamDisplay(const CParamDisplay& other)
    : CControl(other),
      font(other.font),
      fontColor(other.fontColor),
      backColor(other.backColor),
      frameColor(other.frameColor),
      horiTxtAlign(other.horiTxtAlign),
      style(other.style) {
    font->remember();
}

CParamDisplay::~CParamDisplay() { font->forget(); }

void CParamDisplay::setFont(CFontRef newFont) {
    if (!newFont || newFont == font) return;
    newFont->remember();
    font->forget();
    font = newFont;
    setDirty(true);
}

void CParamDisplay::setFontColor(const CColor& color) {
    if (color == fontColor) return;
    fontColor = color;
    setDirty(true);
}

void CParamDisplay::setBackColor(const CColor& color) {
    if (color == backColor) return;
    backColor = color;
    setDirty(true);
}

void CParamDisplay::setFrameColor(const CColor& color) {
    if (color == frameColor) return;
    frameColor = color;
    setDirty(true);
}

void CParamDisplay::setHoriAlign(CHoriTxtAlign align) {
    if (align == horiTxtAlign) return;
    horiTxtAlign = align;
    setDirty(true);
}

void CParamDisplay::setStyle(int32 newStyle) {
    if (newStyle == style) return;
    style = newStyle;
    setDirty(true);
}

void CParamDisplay::draw(CDrawContext* context) {
    char text[32];
    std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(getValue()));
    drawBack(context);
    drawText(context, text);
    setDirty(false);
}

void CParamDisplay::drawBack(CDrawContext* context, CBitmap* newBack) {
    if (CBitmap* bitmap = newBack ? newBack : pBackground) {
        bitmap->draw(context, size);
    } else {
        context->setFillColor(backColor);
        context->drawRect(size, kDrawFilled);
    }
    if (!(style & kNoFrame)) {
        context->setLineWidth(1);
        context->setFrameColor(frameColor);
        context->drawRect(size, kDrawStroked);
    }
}

void CParamDisplay::drawText(CDrawContext* context, UTF8StringPtr string) {
    if (!string || !*string) return;
    context->setFont(font);
    context->setFontColor(fontColor);
    context->drawString(string, size, horiTxtAlign, true);
}

}  // namespace VSTGUI
