#include "vstgui/platform/x11/sharedsegment.h"

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <future>
#include <mutex>
#include <system_error>
#include <utility>

namespace VSTGUI {
namespace {

SharedSegment makeSegment(size_t bytes) {
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return {};
    void* address = shmat(id, nullptr, 0);
    shmctl(id, IPC_RMID, nullptr);
    if (address == reinterpret_cast<void*>(-1)) return {};
    // One call maps the whole segment instead of a page fault per page at the first paint.
    madvise(address, bytes, MADV_POPULATE_WRITE);
    return {id, static_cast<char*>(address), bytes};
}

void letGo(const SharedSegment& segment) {
    if (segment.address) shmdt(segment.address);
}

struct Spare {
    std::mutex lock;
    std::future<SharedSegment> making;
    SharedSegment kept;

    // With the lock held: the segment being made becomes the kept one.
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

void prepareSharedSegment(size_t bytes) {
    Spare& s = spare();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (s.making.valid() || (s.kept.address && s.kept.bytes == bytes)) return;
    letGo(std::exchange(s.kept, {}));
    try {
        s.making = std::async(std::launch::async, makeSegment, bytes);
    } catch (const std::system_error&) {
        // No thread to spare: the window makes its segment when it opens.
    }
}

SharedSegment takeSharedSegment(size_t bytes) {
    Spare& s = spare();
    {
        const std::lock_guard<std::mutex> guard(s.lock);
        s.settle();
        if (s.kept.address && s.kept.bytes == bytes) return std::exchange(s.kept, {});
        letGo(std::exchange(s.kept, {}));
    }
    return makeSegment(bytes);
}

void keepSharedSegment(const SharedSegment& segment) {
    Spare& s = spare();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (s.making.valid() || s.kept.address)
        letGo(segment);
    else
        s.kept = segment;
}

void releaseSharedSegment() {
    Spare& s = spare();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.settle();
    letGo(std::exchange(s.kept, {}));
}

}  // namespace VSTGUI
