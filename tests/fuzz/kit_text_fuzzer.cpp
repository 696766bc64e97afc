// Fuzzes the reading of a kit metadata text window and the conversions applied to what it yields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "kitfiles/kit_file_format.h"
#include "kitfiles/kit_metadata_text.h"
#include "kitfiles/text_helpers.h"

using namespace kitfiles;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // The window as the import fills it: 2500 bytes, the last always zero.
    char window[kKitTextWindow] = {};
    std::memcpy(window, data, size < kKitTextWindow - 1 ? size : kKitTextWindow - 1);
    const KitTextReading reading = readKitMetadataText(window);
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        const int32_t start = reading.newVersion ? kitValueToPosition(reading.values.start[slot])
                                                 : oldKitValueToPosition(reading.values.start[slot]);
        if (start < 0) std::abort();
        if (reading.newVersion && start > MAX_BUFFERLENGTH) std::abort();
        const float pitch = pitchParameterFromKitValue(reading.values.pitch[slot]);
        const float volume = volumeParameterFromKitValue(reading.values.volume[slot]);
        if (volume > 1.0f || pitch != pitch) std::abort();
    }

    // The same bytes as a slot path.
    char path[kSlotPathSize] = {};
    std::memcpy(path, data, size < kSlotPathSize - 1 ? size : kSlotPathSize - 1);
    const std::size_t before = std::strlen(path);
    FileNameOnly(path);
    if (std::strlen(path) > 43 || std::strlen(path) > before) std::abort();
    return 0;
}
