// A one-line text field opened over a view, and what it asks of the view that opened it.
#pragma once

#include <string>

#include "frame/vst2_interface.h"
#include "vstgui/cbaseobject.h"
#include "vstgui/ccolor.h"
#include "vstgui/cfont.h"
#include "vstgui/crect.h"

namespace VSTGUI {

class IPlatformTextEditCallback {
public:
    virtual CColor platformGetBackColor() const = 0;
    virtual CColor platformGetFontColor() const = 0;
    virtual CFontRef platformGetFont() const = 0;
    virtual CHoriTxtAlign platformGetHoriTxtAlign() const = 0;
    virtual UTF8StringPtr platformGetText() const = 0;
    // In frame coordinates.
    virtual CRect platformGetSize() const = 0;
    virtual CRect platformGetVisibleSize() const = 0;
    virtual CPoint platformGetTextInset() const = 0;
    // The field ends: Return (true) or Escape or a click elsewhere (false).
    virtual void platformLooseFocus(bool returnPressed) = 0;
    virtual void platformTextDidChange() = 0;
    // Keys the field does not use itself; true when they were handled.
    virtual bool platformOnKeyDown(const VstKeyCode& key) = 0;

protected:
    ~IPlatformTextEditCallback() = default;
};

class IPlatformTextEdit {
public:
    virtual std::string getText() const = 0;
    virtual void setText(const std::string& text) = 0;
    // Takes the field away; the object is gone afterwards.
    virtual void close() = 0;

protected:
    ~IPlatformTextEdit() = default;
};

}  // namespace VSTGUI
