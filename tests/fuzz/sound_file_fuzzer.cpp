// Fuzzes the whole road of a dropped file: the acceptance check, the loader with its kit
// recognition, the decoder and, for kit files, the import.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/kv7drumedit.h"
#include "kitfiles/kit_trace.h"
#include "kitfiles/sound_file_loader.h"

using namespace kitfiles;

namespace {

struct Bench {
    Bench() : effect(new Kv7DrumEdit(nullptr)), fd(memfd_create("kv7-fuzz-input", 0)) {
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
        std::memset(slotPaths, 0, sizeof slotPaths);
        setTraceStream(nullptr);
    }
    Kv7DrumEdit* effect;
    int fd;
    char path[64];
    SlotPaths slotPaths;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static Bench bench;
    if (ftruncate(bench.fd, 0) != 0 || pwrite(bench.fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    const int32_t slot = size > 0 ? data[size - 1] % kNumSlots : 0;
    CheckIfValidSoundFile(bench.path);
    std::strcpy(bench.slotPaths[slot], bench.path);
    const LoadResult result = LoadExec_This_Sound_From_File(*bench.effect, bench.slotPaths, bench.slotPaths[slot], kLoadSoundFile, slot);
    for (int32_t k = 0; k < kNumSlots; ++k) {
        const int32_t length = bench.effect->BufferLength[k].load();
        if (length < 0 || length > MAX_BUFFERLENGTH) std::abort();
    }
    if (result.kitImported && std::strcmp(bench.slotPaths[0], "/////From Kv-7 import") != 0) std::abort();
    return 0;
}
