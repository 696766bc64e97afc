// A display that shows a text of its own instead of its value.
#pragma once

#include <string>

#include "vstgui/cparamdisplay.h"

namespace VSTGUI {

class CTextLabel : public CParamDisplay {
public:
    explicit CTextLabel(const CRect& size, UTF8StringPtr text = nullptr, CBitmap* background = nullptr,
                        int32 style = 0);

    CView* newCopy() const override { return new CTextLabel(*this); }

    // Null clears the text; a change marks the label dirty.
    virtual void setText(UTF8StringPtr text);
    virtual UTF8StringPtr getText() const { return text.c_str(); }

    void draw(CDrawContext* context) override;

private:
    std::string text;
};

}  // namespace VSTGUI
