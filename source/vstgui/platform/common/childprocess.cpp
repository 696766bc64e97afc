#include "vstgui/platform/common/childprocess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "vstgui/platform/common/runloop.h"

extern char** environ;

namespace VSTGUI {

ChildProcess::~ChildProcess() {
    if (runLoopId) RunLoop::get().remove(runLoopId);
    if (outputFd >= 0) close(outputFd);
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

std::string ChildProcess::findInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string folders = path;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + program;
            struct stat info {};
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments, EndHandler onEnd) {
    if (pid > 0) return false;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (char** variable = environ; variable && *variable; ++variable)
        if (std::strncmp(*variable, "LD_LIBRARY_PATH=", 16) != 0) envp.push_back(*variable);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return false;
    }
    pid = child;
    outputFd = pipeFds[0];
    fcntl(outputFd, F_SETFL, fcntl(outputFd, F_GETFL) | O_NONBLOCK);
    output.clear();
    endHandler = std::move(onEnd);
    runLoopId = RunLoop::get().add(outputFd, [this] { poll(); return false; });
    return true;
}

void ChildProcess::poll() {
    if (outputFd >= 0) {
        char chunk[4096];
        for (;;) {
            const ssize_t got = read(outputFd, chunk, sizeof chunk);
            if (got > 0) {
                output.append(chunk, static_cast<size_t>(got));
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            // End of output: the program is ending. The descriptor number may be reused once closed.
            close(outputFd);
            outputFd = -1;
            RunLoop::get().remove(runLoopId);
            runLoopId = RunLoop::get().add(-1, [this] { poll(); return false; });
            break;
        }
    }
    int status = 0;
    const pid_t reaped = waitpid(pid, &status, WNOHANG);
    if (reaped == 0) return;
    if (reaped < 0) {
        // A host that ignores SIGCHLD has its children reaped for it: judge by what it wrote.
        finish(errno == ECHILD && !output.empty() ? 0 : -1);
        return;
    }
    finish(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

void ChildProcess::finish(int exitCode) {
    pid = -1;
    RunLoop::get().remove(runLoopId);
    runLoopId = 0;
    if (outputFd >= 0) {
        close(outputFd);
        outputFd = -1;
    }
    // The handler may destroy this object: it runs last.
    EndHandler handler = std::move(endHandler);
    const std::string result = std::move(output);
    if (handler) handler(exitCode, result);
}

}  // namespace VSTGUI
