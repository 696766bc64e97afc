// The text library, loaded when the first text is measured or drawn rather than with the plug-in:
// pango and the GLib libraries under it would otherwise take their share of resident memory in
// every host that loads the plug-in and never opens its window.
#pragma once

#include <pango/pangocairo.h>

namespace VSTGUI {

#define KV7_PANGO_FUNCTIONS(F)                  \
    F(g_free)                                   \
    F(g_object_unref)                           \
    F(g_utf8_make_valid)                        \
    F(g_utf8_validate)                          \
    F(pango_cairo_context_set_font_options)     \
    F(pango_cairo_create_layout)                \
    F(pango_cairo_font_map_new)                 \
    F(pango_cairo_show_layout)                  \
    F(pango_context_set_round_glyph_positions)  \
    F(pango_font_description_free)              \
    F(pango_font_description_new)               \
    F(pango_font_description_set_absolute_size) \
    F(pango_font_description_set_family)        \
    F(pango_font_description_set_style)         \
    F(pango_font_description_set_weight)        \
    F(pango_font_map_create_context)            \
    F(pango_layout_context_changed)             \
    F(pango_layout_get_context)                 \
    F(pango_layout_get_pixel_extents)           \
    F(pango_layout_new)                         \
    F(pango_layout_set_font_description)        \
    F(pango_layout_set_single_paragraph_mode)   \
    F(pango_layout_set_text)

// The families every font of the toolkit asks for: Arial, or the fonts made to its measures.
constexpr const char* kTextFamilies = "Arial, Liberation Sans, DejaVu Sans";

struct PangoLibrary {
#define KV7_PANGO_POINTER(name) decltype(&::name) name = nullptr;
    KV7_PANGO_FUNCTIONS(KV7_PANGO_POINTER)
#undef KV7_PANGO_POINTER
};

// Loads the library on the first call; null when it cannot be loaded, and then no text shows.
const PangoLibrary* pangoLibrary();

// Starts loading the library, the system's font configuration and the window's font on a thread
// of its own, once per process: the editor calls it when the host asks for its size (hosts do so
// to make the window they open it in), and a window about to draw text before making its window
// and decoding its pictures, so the work overlaps theirs. Any thread.
void prepareText();

// Waits until what prepareText started has ended: a closing window and a deleted editor call it,
// so that neither a process that ends nor a module that is unloaded ends under that thread.
void finishPreparingText();

}  // namespace VSTGUI
