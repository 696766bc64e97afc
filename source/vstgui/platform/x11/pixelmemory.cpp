#include "vstgui/platform/x11/pixelmemory.h"

#include <sys/mman.h>

#include <future>
#include <mutex>
#include <system_error>
#include <utility>

namespace VSTGUI {
namespace {

PixelMemory makeMemory(size_t bytes) {
    // One call maps every page instead of a page fault per page at the first paint.
    void* address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (address == MAP_FAILED) return {};
    return {static_cast<unsigned char*>(address), bytes};
}

void letGo(const PixelMemory& memory) {
    if (memory.address) munmap(memory.address, memory.bytes);
}

struct Spare {
    std::mutex lock;
    std::future<PixelMemory> making;
    PixelMemory kept;

    // With the lock held: the memory being made becomes the kept piece.
    void settle() {
        if (!making.valid()) return;
        letGo(kept);
        kept = making.get();
    }
};

// Never destroyed: a host may close its last window while the process ends.
Spare& spare() {
    static Spare* const process = new Spare;
    return *process;
}

}  // namespace

void preparePixelMemory(size_t bytes) {
    Spare& s = spare();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (s.making.valid() || (s.kept.address && s.kept.bytes == bytes)) return;
    letGo(std::exchange(s.kept, {}));
    try {
        s.making = std::async(std::launch::async, makeMemory, bytes);
    } catch (const std::system_error&) {
        // No thread to spare: the window makes its memory when it opens.
    }
}

PixelMemory takePixelMemory(size_t bytes) {
    Spare& s = spare();
    {
        const std::lock_guard<std::mutex> guard(s.lock);
        s.settle();
        if (s.kept.address && s.kept.bytes == bytes) return std::exchange(s.kept, {});
        letGo(std::exchange(s.kept, {}));
    }
    return makeMemory(bytes);
}

void keepPixelMemory(const PixelMemory& memory) {
    Spare& s = spare();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (s.making.valid() || s.kept.address)
        letGo(memory);
    else
        s.kept = memory;
}

void releasePixelMemory() {
    Spare& s = spare();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.settle();
    letGo(std::exchange(s.kept, {}));
}

}  // namespace VSTGUI
