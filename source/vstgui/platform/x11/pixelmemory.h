// The memory a window's image lies in (x11presenter.h), made ahead and kept for the next window.
// Hosts ask for the window's size before they open it: the memory is made, and its pages mapped,
// on a thread of its own meanwhile. A window that closes leaves its memory to the next one instead
// of the system clearing new pages again. One piece is kept per process. Any thread.
#pragma once

#include <cstddef>

namespace VSTGUI {

struct PixelMemory {
    unsigned char* address = nullptr;
    size_t bytes = 0;
};

// Starts making memory of bytes, unless a piece of that size is kept or one is being made.
void preparePixelMemory(size_t bytes);
// Memory of bytes, its pages mapped: the kept piece if it fits (waited for while it is made), else
// a new one; no address when the system refuses.
PixelMemory takePixelMemory(size_t bytes);
// Keeps memory for the next window, or lets it go when another piece is kept or being made.
void keepPixelMemory(const PixelMemory& memory);
// Lets the kept memory go.
void releasePixelMemory();

}  // namespace VSTGUI
