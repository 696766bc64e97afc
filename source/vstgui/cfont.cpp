#include "vstgui/cfont.h"

namespace VSTGUI {
namespace {

constexpr const char* kSystemFamilies = "Arial, Liberation Sans, DejaVu Sans";

// The standard fonts live as long as the process; they are never forgotten.
CFontDesc* standardFont(CCoord size) { return new CFontDesc(kSystemFamilies, size); }

}  // namespace

CFontDesc::CFontDesc(const std::string& fontName, CCoord fontSize, int32 fontStyle)
    : name(fontName), size(fontSize), style(fontStyle), description(pango_font_description_new()) {
    pango_font_description_set_family(description, name.c_str());
    // Sizes are pixels, whatever the screen's resolution, so layouts match the window pictures.
    pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
    pango_font_description_set_weight(description, (style & kBoldFace) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description, (style & kItalicFace) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
}

CFontDesc::~CFontDesc() { pango_font_description_free(description); }

const CFontRef kNormalFont = standardFont(12);
const CFontRef kNormalFontBig = standardFont(14);
const CFontRef kNormalFontSmall = standardFont(11);

}  // namespace VSTGUI
