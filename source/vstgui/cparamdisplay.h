// A control that shows its value as text on a coloured or bitmap background.
#pragma once

#include "vstgui/ccolor.h"
#include "vstgui/ccontrol.h"
#include "vstgui/cfont.h"

namespace VSTGUI {

// Display styles; kNoFrame leaves out the outline.
enum CParamDisplayStyle : int32 { kNoFrame = 1 << 14 };

class CParamDisplay : public CControl {
public:
    explicit CParamDisplay(const CRect& size, CBitmap* background = nullptr, int32 style = 0);
    CParamDisplay(const CParamDisplay& other);
    ~CParamDisplay() override;

    CView* newCopy() const override { return new CParamDisplay(*this); }

    void setFont(CFontRef newFont);
    CFontRef getFont() const { return font; }
    void setFontColor(const CColor& color);
    const CColor& getFontColor() const { return fontColor; }
    void setBackColor(const CColor& color);
    const CColor& getBackColor() const { return backColor; }
    void setFrameColor(const CColor& color);
    const CColor& getFrameColor() const { return frameColor; }
    void setHoriAlign(CHoriTxtAlign align);
    CHoriTxtAlign getHoriAlign() const { return horiTxtAlign; }
    void setStyle(int32 newStyle);
    int32 getStyle() const { return style; }

    // The value with two decimals.
    void draw(CDrawContext* context) override;

protected:
    // The bitmap (newBack, else the background) or the back colour, then the outline unless kNoFrame.
    virtual void drawBack(CDrawContext* context, CBitmap* newBack = nullptr);
    // string in the font, font colour and alignment, centred vertically in the view.
    virtual void drawText(CDrawContext* context, UTF8StringPtr string);

private:
    CFontRef font = kNormalFont;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CHoriTxtAlign horiTxtAlign = kCenterText;
    int32 style;
};

}  // namespace VSTGUI
