// The pictures compiled into the plug-in, found by resource id as a bundle's resources would be.
#pragma once

#include <cstdint>

#include "vstgui/vstguibase.h"

namespace VSTGUI {

// Pixels as cairo keeps them, one native 32-bit word each, row after row without padding:
// premultiplied ARGB, or with opaque set RGB with an unused top byte. They must outlive every
// bitmap made from them, and are only ever read.
struct BitmapResource {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    bool opaque = true;
};

// User-interface thread. A later registration of the same id replaces the earlier one.
void registerBitmapResource(int32 id, const BitmapResource& resource);
// The registered picture, or null.
const BitmapResource* findBitmapResource(int32 id);

}  // namespace VSTGUI
