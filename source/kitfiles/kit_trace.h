// The debug traces of the kit-file code: printf-style lines that begin with a newline. They go to
// standard error unless a program (the command-line tool) sends them elsewhere or silences them.
#pragma once

#include <cstdio>

namespace kitfiles {

// Any thread; a null stream silences the traces.
void setTraceStream(std::FILE* stream);

void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kitfiles
