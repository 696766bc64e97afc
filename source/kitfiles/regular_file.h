// Opening a file the user named, for reading, only when it is a regular file. A FIFO or a device is
// never opened, and a path that becomes one between the look and the open neither blocks the
// window (the open does not wait for a FIFO's writer) nor gets through (the opened file is checked).
#pragma once

#include <string>

namespace kitfiles {

// A descriptor open for reading, or -1 with why in reason (for the user). The caller closes it.
int openRegularFileForReading(const char* path, std::string* reason = nullptr);

}  // namespace kitfiles
