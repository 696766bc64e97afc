// The pictures compiled into the plug-in, found by resource id as a bundle's resources would be.
#pragma once

#include <cstdint>
#include <vector>

#include "vstgui/vstguibase.h"

namespace VSTGUI {

// Pixels as cairo keeps them, one native 32-bit word each, row after row without padding:
// premultiplied ARGB, or with opaque set RGB with an unused top byte. They must outlive every
// bitmap made from them, and are only ever read. A picture drawn for a window scale of 2 has
// twice the pixels across of the one for scale 1 and the same size in the layout.
struct BitmapResource {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    bool opaque = true;
    double scaleFactor = 1;
};

// User-interface thread. An id may have a picture for each scale factor; a later registration of
// the same id and scale replaces the earlier one.
void registerBitmapResource(int32 id, const BitmapResource& resource);
// The registered pictures of id from the coarsest to the finest; empty for none.
std::vector<BitmapResource> findBitmapResources(int32 id);

}  // namespace VSTGUI
