// A program run beside the host: its standard output is collected through the run loop, so the
// window stays live, and its end is reported once, with the exit status and everything it wrote.
// It inherits the environment without LD_LIBRARY_PATH: a host's private libraries must not leak
// into a desktop program.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "vstgui/vstguibase.h"

namespace VSTGUI {

class ChildProcess {
public:
    // exitCode is -1 when the program could not be started or did not exit normally.
    using EndHandler = std::function<void(int exitCode, const std::string& output)>;

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // program is a path; arguments exclude the program's name. False when it could not start.
    bool start(const std::string& program, const std::vector<std::string>& arguments, EndHandler onEnd);
    bool isRunning() const { return pid > 0; }

    // The full path of program in the folders of PATH, or empty.
    static std::string findInPath(const std::string& program);

private:
    void poll();
    void finish(int exitCode);

    pid_t pid = -1;
    int outputFd = -1;
    std::string output;
    EndHandler endHandler;
    uint64 runLoopId = 0;
};

}  // namespace VSTGUI
