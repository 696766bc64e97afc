// Writing a file so that it appears whole or not at all: the data goes to a temporary file beside
// the target, is flushed to disk and then renamed over the target. On any failure the temporary
// file is removed and a file already at the target stays as it was.
#pragma once

#include <cstddef>
#include <string>

namespace kitfiles {

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();  // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file for target. On failure returns false and sets error to a message
    // for the user.
    bool open(const std::string& target, std::string& error);
    int descriptor() const { return fd; }

    bool write(const void* data, std::size_t size, std::string& error);
    // Flushes, closes and renames over the target.
    bool commit(std::string& error);
    // Closes and removes the temporary file.
    void abandon();

    const std::string& targetPath() const { return target; }

private:
    std::string fail(const char* what, int error) const;

    int fd = -1;
    std::string target;
    std::string temporary;
};

// The whole file in one go.
bool writeFileAtomically(const std::string& target, const void* data, std::size_t size, std::string& error);

}  // namespace kitfiles
