#include "vstgui/pangolibrary.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <mutex>

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

void readFontConfiguration() {
    static std::once_flag read;
    std::call_once(read, [] { FcInit(); });
}

namespace {

std::mutex textLock;

// Made by the first session and kept for the life of the process, as the library and the module
// are (neither is ever unloaded).
PangoFontMap* processFontMap = nullptr;

}  // namespace

TextSession::TextSession() : lock(textLock), pango(pangoLibrary()) {
    if (pango && !processFontMap) {
        readFontConfiguration();
        processFontMap = pango->pango_cairo_font_map_new();
    }
}

PangoLayout* TextSession::createLayout(cairo_t* cr) const {
    if (!pango) return nullptr;
    PangoContext* context = pango->pango_font_map_create_context(processFontMap);
    pango->pango_cairo_update_context(cr, context);
    PangoLayout* layout = pango->pango_layout_new(context);
    pango->g_object_unref(context);
    return layout;
}

}  // namespace VSTGUI
