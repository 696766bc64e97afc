#include "vstgui/pangolibrary.h"

#include <dlfcn.h>

#include <mutex>
#include <exception>
#include <thread>

namespace VSTGUI {

const PangoLibrary* pangoLibrary() {
    static const PangoLibrary* const library = []() -> const PangoLibrary* {
        // Never unloaded: GLib's type system cannot be loaded a second time.
        void* handle = dlopen("libpangocairo-1.0.so.0", RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
        if (!handle) return nullptr;
        static PangoLibrary functions;
        bool complete = true;
#define KV7_PANGO_RESOLVE(name)                                                            \
    functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(handle, #name)); \
    complete = complete && functions.name != nullptr;
        KV7_PANGO_FUNCTIONS(KV7_PANGO_RESOLVE)
#undef KV7_PANGO_RESOLVE
        return complete ? &functions : nullptr;
    }();
    return library;
}

namespace {

// Lays out a text in the window's usual font on a font map of its own. What that costs the first
// time is shared by every font map of the process: fontconfig reading the system's configuration
// and font lists, and the match for these families; a window's own font map then finds its font in
// a millisecond or two.
void warmUpText() {
    const PangoLibrary* pango = pangoLibrary();
    if (!pango) return;
    PangoFontMap* fontMap = pango->pango_cairo_font_map_new();
    PangoContext* context = pango->pango_font_map_create_context(fontMap);
    PangoLayout* layout = pango->pango_layout_new(context);
    PangoFontDescription* description = pango->pango_font_description_new();
    pango->pango_font_description_set_family(description, kTextFamilies);
    pango->pango_font_description_set_absolute_size(description, 12 * PANGO_SCALE);
    pango->pango_layout_set_font_description(layout, description);
    pango->pango_layout_set_text(layout, "0.25 s", -1);
    PangoRectangle logical;
    pango->pango_layout_get_pixel_extents(layout, nullptr, &logical);
    pango->pango_font_description_free(description);
    pango->g_object_unref(layout);
    pango->g_object_unref(context);
    pango->g_object_unref(fontMap);
}

// Made once and never destroyed: a process may end with the editor still open, and a thread
// object that was never joined must not be destroyed.
std::mutex warmUpLock;
std::thread* warmUp = nullptr;

}  // namespace

void prepareText() {
    const std::lock_guard<std::mutex> lock(warmUpLock);
    if (warmUp) return;
    try {
        warmUp = new std::thread(warmUpText);
    } catch (const std::exception&) {
        // No thread to spare: the first text loads everything itself.
    }
}

void finishPreparingText() {
    const std::lock_guard<std::mutex> lock(warmUpLock);
    if (warmUp && warmUp->joinable()) warmUp->join();
}

}  // namespace VSTGUI
