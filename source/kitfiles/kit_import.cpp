#include "kitfiles/kit_import.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/kv7drumedit.h"
#include "kitfiles/kit_metadata_text.h"
#include "kitfiles/kit_trace.h"
#include "kitfiles/regular_file.h"

namespace kitfiles {

namespace {

// Reads the text window: up to 2500 bytes from offset, the last always zero. False when the file
// cannot be opened.
bool readTextWindow(const char* path, long offset, char (&window)[kKitTextWindow]) {
    std::memset(window, 0, sizeof window);
    const int fd = openRegularFileForReading(path);
    if (fd < 0) return false;
    std::size_t got = 0;
    while (got < sizeof window - 1) {
        const ssize_t n = pread(fd, window + got, sizeof window - 1 - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    window[kKitTextWindow - 1] = '\0';
    return true;
}

void readPositions(const char* name, const char* listName, const int32_t (&values)[kNumSlots], bool newVersion,
                   int32_t (&positions)[kNumSlots]) {
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        int32_t value = values[slot];
        int32_t position;
        if (newVersion) {
            if (value < 0) value = 0;
            if (value > kKitPositionScale) value = kKitPositionScale;
            position = kitValueToPosition(value);
        } else {
            if (value < 0) value = 0;
            position = oldKitValueToPosition(value);
        }
        trace("\n %s %i says %i and %s = %i", name, slot, value, name[0] == 's' ? "Starts" : "Ends", position);
        if (position > MAX_BUFFERLENGTH) position = MAX_BUFFERLENGTH;
        trace("\n %s[%i] %i", listName, slot, position);
        positions[slot] = position;
    }
}

}  // namespace

KitImportResult Finish_Load_KV7_File(Kv7DrumEdit& effect, SlotPaths& slotPaths, const char* path, bool factory) {
    KitImportResult result;
    char window[kKitTextWindow];
    if (!path || !readTextWindow(path, factory ? kFactoryKitSignatureOffset : kKitSignatureOffset, window)) {
        result.message = std::string("Could not read the kit file \"") + (path ? path : "") + "\".";
        return result;
    }

    const KitTextReading reading = readKitMetadataText(window);
    result.newVersion = reading.newVersion;
    trace(reading.newVersion ? "\n NEW drum version!" : "\n assuming old drum version!");

    const KitTextValues& values = reading.values;
    for (int32_t slot = 0; slot < kNumSlots; ++slot)
        effect.setParameter(kParamPitch + slot, pitchParameterFromKitValue(values.pitch[slot]));
    for (int32_t slot = 0; slot < kNumSlots; ++slot)
        effect.setParameter(kParamPlayMode + slot, playModeParameterFromKitValue(values.playMode[slot]));
    for (int32_t slot = 0; slot < kNumSlots; ++slot)
        effect.setParameter(kParamReverse + slot, reverseParameterFromKitValue(values.reverse[slot]));
    for (int32_t slot = 0; slot < kNumSlots; ++slot)
        effect.setParameter(kParamVolume + slot, volumeParameterFromKitValue(values.volume[slot]));

    trace("\n SearchForSubstring for start says %i", reading.startKeyIndex);
    readPositions("start", "Starts", values.start, reading.newVersion, result.starts);
    readPositions("end", "ends", values.end, reading.newVersion, result.ends);

    {
        SlotWriteAccess access(effect, kAllSlotsMask);
        const float* kitAudio = effect.SampleBuffer[0];
        // Slot 0 goes last: the others are copied out of the kit audio before it is cut.
        for (int32_t slot = kNumSlots - 1; slot >= 0; --slot) {
            const int32_t start = result.starts[slot];
            int32_t length = result.ends[slot] - start;
            trace("\n duration set to %i, ends %i, starts %i", length, result.ends[slot], start);
            if (length < 0) length = 0;
            if (length >= MAX_BUFFERLENGTH) length = MAX_BUFFERLENGTH - 1;
            effect.BufferLength[slot].store(length, std::memory_order_relaxed);
            if (length <= 0) continue;
            // start + length never passes the end of slot 0's buffer: both are limited to 529200.
            if (slot != 0)
                std::memcpy(access.leadingSamples(slot, length), kitAudio + start,
                            sizeof(float) * static_cast<std::size_t>(length));
            else if (start > 0)
                // A kit whose first region does not begin the kit audio: slot 0 keeps its own region.
                std::memmove(access.leadingSamples(0, length), kitAudio + start,
                             sizeof(float) * static_cast<std::size_t>(length));
        }
    }

    for (int32_t slot = 0; slot < kNumSlots; ++slot) std::strcpy(slotPaths[slot], kImportedSlotPath);
    result.imported = true;
    return result;
}

}  // namespace kitfiles
