// The user-interface run loop of this process: window connections and child-process pipes add a
// handler for their file descriptor, and the host's idle calls pump them. Each handler drains its
// source without blocking, or for a bounded time. User-interface thread only.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "vstgui/vstguibase.h"

namespace VSTGUI {

class RunLoop {
public:
    // Answers true when it left input for the next pump: input the descriptor may no longer show.
    using Handler = std::function<bool()>;

    static RunLoop& get();

    // handler runs at every pump; fd tells wait() when the source has input. Answers an id for remove.
    uint64 add(int fd, Handler handler);
    void remove(uint64 id);

    // Runs every handler once; handlers may add and remove handlers meanwhile.
    void pump();
    // Blocks until a source has input or timeout has passed; for hosts that have no loop of their
    // own. Does not block when the last pump left input.
    void wait(std::chrono::milliseconds timeout) const;

private:
    struct Source {
        uint64 id;
        int fd;
        Handler handler;
    };
    std::vector<Source> sources;
    uint64 nextId = 1;
    bool inputLeft = false;
};

}  // namespace VSTGUI
