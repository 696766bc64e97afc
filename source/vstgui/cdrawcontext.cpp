#include "vstgui/cdrawcontext.h"

#include <cmath>
#include <memory>

#include "vstgui/cbitmap.h"
#include "vstgui/pangolibrary.h"

namespace VSTGUI {
namespace {

struct GObjectUnref {
    void operator()(void* object) const { pangoLibrary()->g_object_unref(object); }
};
struct FontOptionsDestroy {
    void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
};

// Odd line widths are centred on half pixels so that a 1-pixel line covers one pixel row.
CCoord pixelCentre(CCoord coordinate, CCoord width) {
    const bool odd = std::fmod(std::round(width), 2.0) != 0.0;
    return odd ? std::floor(coordinate) + 0.5 : std::round(coordinate);
}

using Layout = std::unique_ptr<PangoLayout, GObjectUnref>;

// The surface pixel a layout coordinate falls on, as cairo places the edges of an unantialiased
// clip: halves round down.
double pixelEdge(CCoord coordinate, double scale) { return std::ceil(coordinate * scale - 0.5); }

// One line of text; metrics stay those of the outlines, so text lays out alike on every surface.
Layout makeLayout(const TextSession& session, cairo_t* cr, const CFontDesc* font, UTF8StringPtr text,
                  bool antialias) {
    const PangoLibrary& pango = *session.library();
    Layout layout(session.createLayout(cr));
    std::unique_ptr<cairo_font_options_t, FontOptionsDestroy> options(cairo_font_options_create());
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options.get(), antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    PangoContext* context = pango.pango_layout_get_context(layout.get());
    pango.pango_cairo_context_set_font_options(context, options.get());
    pango.pango_context_set_round_glyph_positions(context, FALSE);
    pango.pango_layout_context_changed(layout.get());
    pango.pango_layout_set_font_description(layout.get(), font->getPangoDescription());
    pango.pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    if (pango.g_utf8_validate(text, -1, nullptr)) {
        pango.pango_layout_set_text(layout.get(), text, -1);
    } else {
        // File names need not be UTF-8, and a cut name may end inside a character: show what can
        // be shown, with a replacement mark for the rest, rather than have pango complain.
        std::unique_ptr<gchar, decltype(pango.g_free)> valid(pango.g_utf8_make_valid(text, -1), pango.g_free);
        pango.pango_layout_set_text(layout.get(), valid.get(), -1);
    }
    return layout;
}

}  // namespace

CDrawContext::CDrawContext(cairo_surface_t* surface) : cr(cairo_create(surface)) {
    if (cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_IMAGE)
        pixelRect = CRect(0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface));
    else {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
        pixelRect = CRect(x1, y1, x2, y2);
    }
    surfaceRect = clipRect = pixelRect;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
}

void CDrawContext::setScaleFactor(double scale) {
    scaleFactor = scale;
    cairo_identity_matrix(cr);
    cairo_scale(cr, scale, scale);
    surfaceRect = CRect(pixelRect.left / scale, pixelRect.top / scale, pixelRect.right / scale, pixelRect.bottom / scale);
    setClipRect(surfaceRect);
}

CDrawContext::~CDrawContext() { cairo_destroy(cr); }

void CDrawContext::setClipRect(const CRect& clip) {
    clipRect = clip;
    clipRect.normalize().bound(surfaceRect);
    cairo_reset_clip(cr);
    cairo_rectangle(cr, clipRect.left, clipRect.top, clipRect.getWidth(), clipRect.getHeight());
    cairo_clip(cr);
}

CRect& CDrawContext::getClipRect(CRect& clip) const {
    clip = clipRect;
    return clip;
}

void CDrawContext::saveGlobalState() {
    savedStates.push_back({clipRect, lineWidth, frameColor, fillColor, fontColor, font});
}

void CDrawContext::restoreGlobalState() {
    if (savedStates.empty()) return;
    const State state = savedStates.back();
    savedStates.pop_back();
    lineWidth = state.lineWidth;
    frameColor = state.frameColor;
    fillColor = state.fillColor;
    fontColor = state.fontColor;
    font = state.font;
    setClipRect(state.clipRect);
}

void CDrawContext::applyColor(const CColor& color) {
    cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0, color.alpha / 255.0);
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to) {
    CPoint a = from;
    CPoint b = to;
    if (a.y == b.y) a.y = b.y = pixelCentre(a.y, lineWidth);
    if (a.x == b.x) a.x = b.x = pixelCentre(a.x, lineWidth);
    cairo_set_line_width(cr, lineWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    applyColor(frameColor);
    cairo_move_to(cr, a.x, a.y);
    cairo_line_to(cr, b.x, b.y);
    cairo_stroke(cr);
}

void CDrawContext::drawRect(const CRect& rect, CDrawStyle style) {
    CRect r = rect;
    r.normalize();
    if (style == kDrawFilled || style == kDrawFilledAndStroked) {
        applyColor(fillColor);
        cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
        cairo_fill(cr);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked) {
        const CCoord half = lineWidth / 2;
        if (r.getWidth() <= lineWidth || r.getHeight() <= lineWidth) {
            // Too small for a hollow outline: the outline covers it all.
            applyColor(frameColor);
            cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
            cairo_fill(cr);
            return;
        }
        cairo_set_line_width(cr, lineWidth);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        applyColor(frameColor);
        cairo_rectangle(cr, r.left + half, r.top + half, r.getWidth() - lineWidth, r.getHeight() - lineWidth);
        cairo_stroke(cr);
    }
}

void CDrawContext::drawString(UTF8StringPtr string, const CRect& rect, CHoriTxtAlign align, bool antialias) {
    if (!string || !*string || !font) return;
    const TextSession text;
    const PangoLibrary* pango = text.library();
    if (!pango) return;
    const auto layout = makeLayout(text, cr, font, string, antialias);
    PangoRectangle logical;
    pango->pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    CCoord x = rect.left;
    if (align == kCenterText)
        x = rect.left + std::floor((rect.getWidth() - logical.width) / 2);
    else if (align == kRightText)
        x = rect.right - logical.width;
    const CCoord y = rect.top + std::floor((rect.getHeight() - logical.height) / 2);
    applyColor(fontColor);
    cairo_move_to(cr, x - logical.x, y - logical.y);
    pango->pango_cairo_show_layout(cr, layout.get());
    cairo_new_path(cr);
}

CCoord CDrawContext::getStringWidth(UTF8StringPtr string) {
    if (!string || !*string || !font) return 0;
    const TextSession text;
    const PangoLibrary* pango = text.library();
    if (!pango) return 0;
    PangoRectangle logical;
    pango->pango_layout_get_pixel_extents(makeLayout(text, cr, font, string, true).get(), nullptr, &logical);
    return logical.width;
}

void CDrawContext::drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset, float alpha) {
    double pictureScale = 1;
    cairo_surface_t* source = bitmap ? bitmap->getSurface(scaleFactor, &pictureScale) : nullptr;
    if (!source) return;
    cairo_save(cr);
    if (pictureScale == scaleFactor) {
        // Pixel for pixel, the rectangle's edges on the surface pixels the clip puts them on.
        cairo_identity_matrix(cr);
        const double left = pixelEdge(dest.left, scaleFactor), top = pixelEdge(dest.top, scaleFactor);
        cairo_rectangle(cr, left, top, pixelEdge(dest.right, scaleFactor) - left, pixelEdge(dest.bottom, scaleFactor) - top);
        cairo_clip(cr);
        cairo_set_source_surface(cr, source, left - offset.x * pictureScale, top - offset.y * pictureScale);
        cairo_paint_with_alpha(cr, alpha);
    } else {
        // Resampled from the part shown alone, so that no neighbouring state bleeds in at its edges.
        cairo_surface_t* part = cairo_surface_create_for_rectangle(
            source, offset.x * pictureScale, offset.y * pictureScale, dest.getWidth() * pictureScale, dest.getHeight() * pictureScale);
        cairo_rectangle(cr, dest.left, dest.top, dest.getWidth(), dest.getHeight());
        cairo_clip(cr);
        cairo_translate(cr, dest.left, dest.top);
        cairo_scale(cr, 1 / pictureScale, 1 / pictureScale);
        cairo_set_source_surface(cr, part, 0, 0);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_paint_with_alpha(cr, alpha);
        cairo_surface_destroy(part);
    }
    cairo_restore(cr);
}

}  // namespace VSTGUI
