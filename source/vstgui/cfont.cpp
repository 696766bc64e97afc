#include "vstgui/cfont.h"

#include "vstgui/pangolibrary.h"

namespace VSTGUI {

CFontDesc::CFontDesc(const std::string& fontName, CCoord fontSize, int32 fontStyle)
    : name(fontName), size(fontSize), style(fontStyle) {}

CFontDesc::~CFontDesc() {
    if (description) pangoLibrary()->pango_font_description_free(description);
}

const PangoFontDescription* CFontDesc::getPangoDescription() const {
    const PangoLibrary* pango = pangoLibrary();
    if (description || !pango) return description;
    description = pango->pango_font_description_new();
    pango->pango_font_description_set_family(description, name.c_str());
    // Sizes are pixels, whatever the screen's resolution, so layouts match the window pictures.
    pango->pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
    pango->pango_font_description_set_weight(description, (style & kBoldFace) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango->pango_font_description_set_style(description,
                                            (style & kItalicFace) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return description;
}

// Objects of static duration, not allocations: a host that unloads the plug-in gets their memory
// back. Their first reference is never forgotten.
namespace {
CFontDesc normalFont(kTextFamilies, 12);
CFontDesc normalFontBig(kTextFamilies, 14);
CFontDesc normalFontSmall(kTextFamilies, 11);
}  // namespace

const CFontRef kNormalFont = &normalFont;
const CFontRef kNormalFontBig = &normalFontBig;
const CFontRef kNormalFontSmall = &normalFontSmall;

}  // namespace VSTGUI
