#include "kitfiles/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kitfiles {

namespace {

// The process's umask, read without changing it (umask() would race with other threads of a host).
// Read with plain system calls: the first stream a process opens costs it some 0.15 ms.
mode_t currentUmask() {
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 022;
    char text[8192];
    std::size_t length = 0;
    while (length < sizeof text - 1) {
        const ssize_t n = ::read(fd, text + length, sizeof text - 1 - length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        length += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text[length] = '\0';
    const char* line = std::strstr(text, "\nUmask:");
    return line ? static_cast<mode_t>(std::strtoul(line + 7, nullptr, 8)) : 022;
}

// A symbolic link is followed, so exporting onto a link updates the file it points to.
std::string resolveTarget(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) return resolved;
    return path;
}

}  // namespace

AtomicFile::~AtomicFile() { abandon(); }

std::string AtomicFile::fail(const char* what, int error) const {
    return std::string(what) + " \"" + target + "\": " + std::strerror(error);
}

bool AtomicFile::open(const std::string& path, std::string& error) {
    abandon();
    target = resolveTarget(path);
    // Renaming over a FIFO, a device or a socket would replace it with a plain file, and over a
    // folder it cannot work: only a regular file, or nothing, may stand at the target.
    struct stat existing;
    if (stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        error = "Could not replace \"" + target + "\": " +
                (S_ISDIR(existing.st_mode) ? "it is a folder" : "it is not a regular file");
        return false;
    }
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // Keep the temporary name within the file system's 255-byte limit for one name.
    if (name.size() > 200) name.resize(200);
    temporary = folder + "." + name + ".tmp-XXXXXX";
    fd = mkstemp(temporary.data());
    if (fd < 0) {
        const int saved = errno;
        temporary.clear();
        error = fail("Could not create", saved);
        return false;
    }
    // mkstemp makes the file private; give it the mode a newly created file would get.
    fchmod(fd, static_cast<mode_t>(0666 & ~currentUmask()));
    return true;
}

bool AtomicFile::write(const void* data, std::size_t size, std::string& error) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = fail("Could not write", errno);
            abandon();
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AtomicFile::commit(std::string& error) {
    if (fd < 0) {
        error = fail("Could not write", EBADF);
        return false;
    }
    if (fsync(fd) != 0 && errno != EINVAL) {
        error = fail("Could not write", errno);
        abandon();
        return false;
    }
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) {
        error = fail("Could not write", errno);
        abandon();
        return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = fail("Could not replace", errno);
        abandon();
        return false;
    }
    temporary.clear();
    return true;
}

void AtomicFile::abandon() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    if (!temporary.empty()) {
        ::unlink(temporary.c_str());
        temporary.clear();
    }
}

bool writeFileAtomically(const std::string& target, const void* data, std::size_t size, std::string& error) {
    AtomicFile file;
    return file.open(target, error) && file.write(data, size, error) && file.commit(error);
}

}  // namespace kitfiles
