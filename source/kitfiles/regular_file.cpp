#include "kitfiles/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kitfiles {

namespace {

// Why a file that is there is no file to read.
const char* notRegular(const struct stat& info) { return S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file"; }

}  // namespace

int openRegularFileForReading(const char* path, std::string* reason) {
    if (!path || !*path) {
        if (reason) *reason = "no file was named";
        return -1;
    }
    // A FIFO or a device is not even opened: opening one may wait, or wake its other end.
    struct stat info;
    if (stat(path, &info) != 0) {
        if (reason) *reason = std::strerror(errno);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        if (reason) *reason = notRegular(info);
        return -1;
    }
    // The path may have become something else since: O_NONBLOCK keeps the open from waiting on a
    // FIFO, and the opened file is checked again.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (reason) *reason = std::strerror(errno);
        return -1;
    }
    if (fstat(fd, &info) != 0) {
        if (reason) *reason = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        if (reason) *reason = notRegular(info);
        ::close(fd);
        return -1;
    }
    // Reads from a regular file never wait; blocking mode is what the decoders expect.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace kitfiles
