// Drawing on a cairo surface with the toolkit's state model: a frame colour for outlines and lines,
// a fill colour, a font with its colour, a line width and one clip rectangle. Shapes are drawn
// without antialiasing and snapped to whole pixels; an outline stays inside its rectangle.
// Coordinates are the layout's; with a scale factor S each unit covers S surface pixels, and
// shapes, text and pictures are drawn at that resolution, not magnified.
#pragma once

#include <cairo.h>

#include <vector>

#include "vstgui/ccolor.h"
#include "vstgui/cfont.h"
#include "vstgui/crect.h"

namespace VSTGUI {

class CBitmap;

enum CDrawStyle : int32 { kDrawStroked = 0, kDrawFilled, kDrawFilledAndStroked };

class CDrawContext {
public:
    // Draws on surface at scale 1; the whole surface is the initial clip.
    explicit CDrawContext(cairo_surface_t* surface);
    ~CDrawContext();
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    void setLineWidth(CCoord width) { lineWidth = width; }
    CCoord getLineWidth() const { return lineWidth; }
    void setFrameColor(const CColor& color) { frameColor = color; }
    const CColor& getFrameColor() const { return frameColor; }
    void setFillColor(const CColor& color) { fillColor = color; }
    const CColor& getFillColor() const { return fillColor; }
    void setFontColor(const CColor& color) { fontColor = color; }
    const CColor& getFontColor() const { return fontColor; }
    void setFont(const CFontDesc* newFont) { font = newFont; }
    const CFontDesc* getFont() const { return font; }

    // From now on one unit covers scale surface pixels; the clip becomes the whole surface.
    void setScaleFactor(double scale);
    double getScaleFactor() const { return scaleFactor; }

    // Replaces the clip; drawing never leaves the surface.
    void setClipRect(const CRect& clip);
    CRect& getClipRect(CRect& clip) const;

    void drawLine(const CPoint& from, const CPoint& to);
    void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
    // One line of text in the current font and font colour, centred vertically in rect.
    void drawString(UTF8StringPtr string, const CRect& rect, CHoriTxtAlign align = kCenterText,
                    bool antialias = true);
    CCoord getStringWidth(UTF8StringPtr string);
    // Draws the part of bitmap that starts at offset into dest, from the bitmap's picture that suits
    // the scale factor best.
    void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset = CPoint(0, 0), float alpha = 1.f);

    // Saves and restores colours, font, line width and clip.
    void saveGlobalState();
    void restoreGlobalState();

    cairo_t* getCairo() const { return cr; }

private:
    struct State {
        CRect clipRect;
        CCoord lineWidth;
        CColor frameColor;
        CColor fillColor;
        CColor fontColor;
        const CFontDesc* font;
    };

    void applyColor(const CColor& color);

    std::vector<State> savedStates;

    cairo_t* cr;
    // The surface in its own pixels, and in layout units.
    CRect pixelRect;
    CRect surfaceRect;
    double scaleFactor = 1;
    CRect clipRect;
    CCoord lineWidth = 1;
    CColor frameColor = kBlackCColor;
    CColor fillColor = kWhiteCColor;
    CColor fontColor = kWhiteCColor;
    const CFontDesc* font = kNormalFont;
};

}  // namespace VSTGUI
