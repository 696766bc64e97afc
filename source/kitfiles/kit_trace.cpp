#include "kitfiles/kit_trace.h"

#include <atomic>
#include <cstdarg>

namespace kitfiles {

namespace {
// Null until set: standard error, which cannot be named in a constant initialiser.
std::atomic<std::FILE*> traceStream{nullptr};
std::atomic<bool> traceStreamSet{false};
}  // namespace

void setTraceStream(std::FILE* stream) {
    traceStream.store(stream, std::memory_order_relaxed);
    traceStreamSet.store(true, std::memory_order_release);
}

void trace(const char* format, ...) {
    std::FILE* stream = traceStreamSet.load(std::memory_order_acquire) ? traceStream.load(std::memory_order_relaxed) : stderr;
    if (!stream) return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stream, format, arguments);
    va_end(arguments);
}

}  // namespace kitfiles
