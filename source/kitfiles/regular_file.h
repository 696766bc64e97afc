// Opening a file the user named, for reading, only when it is a regular file. The check is made on
// the opened descriptor, so a path that turns into a FIFO or a device between a look and the open
// never blocks the window: the open itself does not wait for a FIFO's writer.
#pragma once

#include <string>

namespace kitfiles {

// A descriptor open for reading, or -1 with why in reason (for the user). The caller closes it.
int openRegularFileForReading(const char* path, std::string* reason = nullptr);

}  // namespace kitfiles
