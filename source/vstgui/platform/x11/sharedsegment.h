// The shared memory a window's image lies in (x11presenter.h), made ahead and kept for the next
// window. Hosts ask for the window's size before they open it: the segment is made, and its pages
// mapped, on a thread of its own meanwhile. A window that closes leaves its segment to the next one
// instead of the system clearing new pages again. One segment is kept per process. Each is marked
// for removal as soon as it is made (Linux lets the server attach it still), so the system frees it
// with the process whatever happens. Any thread.
#pragma once

#include <cstddef>

namespace VSTGUI {

struct SharedSegment {
    int id = -1;
    char* address = nullptr;
    size_t bytes = 0;
};

// Starts making a segment of bytes, unless one of that size is kept or one is being made.
void prepareSharedSegment(size_t bytes);
// A segment of bytes, its pages mapped: the kept one if it fits (waited for while it is made), else
// a new one; no address when the system refuses.
SharedSegment takeSharedSegment(size_t bytes);
// Keeps segment for the next window, or lets it go when another is kept or being made.
void keepSharedSegment(const SharedSegment& segment);
// Lets the kept segment go.
void releaseSharedSegment();

}  // namespace VSTGUI
