// Text in pictures drawn by code (the window's pictures at build time, kv7kit's kit picture): a
// pango layout owned by a unique_ptr, and fixed font options so a picture does not change with the
// desktop's font settings: grey antialiasing (no subpixel colour fringes in a bitmap) and slight
// hinting for crisp stems.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>

namespace picturetext {

struct LayoutDeleter {
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using Layout = std::unique_ptr<PangoLayout, LayoutDeleter>;

inline const cairo_font_options_t* fontOptions() {
    static cairo_font_options_t* const options = [] {
        cairo_font_options_t* o = cairo_font_options_create();
        cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
        return o;
    }();
    return options;
}

}  // namespace picturetext
