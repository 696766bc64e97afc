// The pictures compiled into the plug-in, found by resource id as a bundle's resources would be.
#pragma once

#include <cstddef>

#include "vstgui/vstguibase.h"

namespace VSTGUI {

struct BitmapResource {
    const unsigned char* png = nullptr;
    size_t size = 0;
};

// User-interface thread. A later registration of the same id replaces the earlier one.
void registerBitmapResource(int32 id, const unsigned char* png, size_t size);
// The registered picture, or null.
const BitmapResource* findBitmapResource(int32 id);

}  // namespace VSTGUI
