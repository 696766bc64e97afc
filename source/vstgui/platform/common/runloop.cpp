#include "vstgui/platform/common/runloop.h"

#include <poll.h>

#include <algorithm>

namespace VSTGUI {

RunLoop& RunLoop::get() {
    static RunLoop loop;
    return loop;
}

uint64 RunLoop::add(int fd, Handler handler) {
    sources.push_back({nextId, fd, std::move(handler)});
    return nextId++;
}

void RunLoop::remove(uint64 id) {
    sources.erase(std::remove_if(sources.begin(), sources.end(), [id](const Source& s) { return s.id == id; }),
                  sources.end());
}

void RunLoop::pump() {
    std::vector<uint64> ids;
    ids.reserve(sources.size());
    for (const Source& source : sources) ids.push_back(source.id);
    inputLeft = false;
    for (uint64 id : ids) {
        const auto found = std::find_if(sources.begin(), sources.end(), [id](const Source& s) { return s.id == id; });
        if (found == sources.end()) continue;
        // The handler may remove itself: run a copy.
        const Handler handler = found->handler;
        if (handler()) inputLeft = true;
    }
}

void RunLoop::wait(std::chrono::milliseconds timeout) const {
    std::vector<pollfd> fds;
    for (const Source& source : sources)
        if (source.fd >= 0) fds.push_back({source.fd, POLLIN, 0});
    const auto wait = inputLeft ? 0 : std::max<std::chrono::milliseconds::rep>(timeout.count(), 0);
    poll(fds.data(), fds.size(), static_cast<int>(wait));
}

}  // namespace VSTGUI
