// A font by family and pixel size, drawn through pango. The family may be a comma-separated list:
// the first one installed is used, so a missing face falls back to a metric-compatible one.
#pragma once

#include <pango/pango-font.h>

#include <string>

#include "vstgui/cbaseobject.h"

namespace VSTGUI {

enum CTxtFace : int32 { kNormalFace = 0, kBoldFace = 1 << 1, kItalicFace = 1 << 2 };

class CFontDesc : public CBaseObject {
public:
    CFontDesc(const std::string& name, CCoord size, int32 style = kNormalFace);
    ~CFontDesc() override;
    CFontDesc(const CFontDesc&) = delete;

    const std::string& getName() const { return name; }
    CCoord getSize() const { return size; }
    int32 getStyle() const { return style; }
    // Owned by the font; valid as long as it lives. Made at the first use, within a TextSession
    // (which serialises it between threads); null without the text library.
    const PangoFontDescription* getPangoDescription() const;

private:
    std::string name;
    CCoord size;
    int32 style;
    mutable PangoFontDescription* description = nullptr;
};

using CFontRef = CFontDesc*;

// Arial at 12, 14 and 11 pixels, falling back to Liberation Sans, which has Arial's metrics.
extern const CFontRef kNormalFont;
extern const CFontRef kNormalFontBig;
extern const CFontRef kNormalFontSmall;

}  // namespace VSTGUI
