// The text library, loaded when the first text is measured or drawn rather than with the plug-in:
// pango and the GLib libraries under it would otherwise take their share of resident memory in
// every host that loads the plug-in and never opens its window.
#pragma once

#include <pango/pangocairo.h>

#include <mutex>

namespace VSTGUI {

#define KV7_PANGO_FUNCTIONS(F)                  \
    F(g_free)                                   \
    F(g_object_unref)                           \
    F(g_utf8_make_valid)                        \
    F(g_utf8_validate)                          \
    F(pango_cairo_context_set_font_options)     \
    F(pango_cairo_font_map_new)                 \
    F(pango_cairo_show_layout)                  \
    F(pango_cairo_update_context)               \
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

// Reads the system's font configuration (fontconfig's, which pango uses) once per process; a
// second caller waits for the first. Pango would otherwise read it again on a thread of its own
// for a font map made while the first reading goes on. Any thread.
void readFontConfiguration();

// The whole process lays out its text on one font map, so that what the first text loads (the
// font, its shaping tables, the glyphs) serves every window and thread after it. A font map is not
// thread-safe: a session holds the process's text lock while it lives, and the layouts made in it
// must be released before it ends.
class TextSession {
public:
    TextSession();
    TextSession(const TextSession&) = delete;
    TextSession& operator=(const TextSession&) = delete;

    // Null when pango cannot be loaded; then no text shows.
    const PangoLibrary* library() const { return pango; }
    // A new layout on the process's font map for drawing on cr; null without pango.
    PangoLayout* createLayout(cairo_t* cr) const;

private:
    std::unique_lock<std::mutex> lock;
    const PangoLibrary* pango;
};

}  // namespace VSTGUI
