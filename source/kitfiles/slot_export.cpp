#include "kitfiles/slot_export.h"

#include <cstring>

#include "engine/kv7drumedit.h"
#include "kitfiles/aiff_writer.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/kit_trace.h"

namespace kitfiles {

bool makeSlotFileBaseName(const char* path, char (&base)[kSlotPathSize]) {
    char name[kSlotPathSize];
    base[0] = '\0';
    if (!normaliseKitFileName(path, name)) return false;
    const std::size_t length = std::strlen(name);
    // "_00" goes in before the extension: three characters more.
    if (length + 3 >= static_cast<std::size_t>(kSlotPathSize)) return false;
    char extension[4];
    std::memcpy(extension, name + length - 3, 4);
    name[length - 4] = '_';
    name[length - 3] = '0';
    name[length - 2] = '0';
    name[length - 1] = '.';
    std::memcpy(name + length, extension, 4);
    std::memcpy(base, name, length + 4);
    return true;
}

void fillSlotFileName(const char* base, int32_t slot, char (&name)[kSlotPathSize]) {
    std::strcpy(name, base);
    const std::size_t length = std::strlen(name);
    const int32_t number = slot + 1;
    name[length - 5] = static_cast<char>(name[length - 5] + number % 10);
    name[length - 6] = static_cast<char>(name[length - 6] + number / 10);
}

SlotExportResult Save_All_Files_Individually(const Kv7DrumEdit& effect, const char* path) {
    SlotExportResult result;
    char base[kSlotPathSize];
    if (!makeSlotFileBaseName(path, base)) {
        result.refused = true;
        result.message = (path && *path) ? "The file name is too long: a slot file's path may have at most 511 characters."
                                         : "No file name was given for the slot files.";
        return result;
    }
    std::string firstError;
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        const int32_t length = effect.BufferLength[slot].load(std::memory_order_relaxed);
        if (length <= 1) continue;
        char name[kSlotPathSize];
        fillSlotFileName(base, slot, name);
        std::string error;
        // Every sample of the slot goes out, the last one included; the writer adds the trailing zero.
        if (writeKv7Aiff(name, kSlotFileComment, effect.SampleBuffer[slot], length, error)) {
            result.written.emplace_back(name);
        } else {
            trace("\n%s", error.c_str());
            result.failed.emplace_back(name);
            if (firstError.empty()) firstError = error;
        }
    }
    if (!result.failed.empty()) {
        result.message = firstError;
        if (result.failed.size() > 1)
            result.message += " (and " + std::to_string(result.failed.size() - 1) + " more slot files)";
    }
    return result;
}

}  // namespace kitfiles
