#include "vstgui/pangolibrary.h"

#include <dlfcn.h>

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

void prepareText() {
    if (const PangoLibrary* pango = pangoLibrary()) pango->pango_cairo_font_map_get_default();
}

}  // namespace VSTGUI
