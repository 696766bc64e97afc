#include "kitfiles/kit_export.h"

#include <algorithm>
#include <cstring>
#include <strings.h>
#include <vector>

#include "engine/kv7drumedit.h"
#include "engine/parameter_rounding.h"
#include "kitfiles/aiff_writer.h"
#include "kitfiles/kit_metadata_text.h"
#include "kitfiles/kit_trace.h"

namespace kitfiles {

namespace {

int32_t lengthOf(const Kv7DrumEdit& effect, int32_t slot) {
    return effect.BufferLength[slot].load(std::memory_order_relaxed);
}

KitTextValues textValuesFor(Kv7DrumEdit& effect, const KitLayout& layout) {
    KitTextValues values{};
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        const int32_t s = layout.settingsSlot[slot];
        const int32_t semitones = saturatingSubtract(roundToInt32(effect.getParameter(kParamPitch + s) * 96.0f), 48);
        values.pitch[slot] = pitchToKitValue(semitones);
        values.start[slot] = positionToKitValue(layout.start[slot]);
        values.end[slot] = positionToKitValue(layout.end[slot]);
        values.playMode[slot] = playModeToKitValue(roundToInt32(effect.getParameter(kParamPlayMode + s) * 2.0f));
        values.reverse[slot] =
            roundToInt32(effect.getParameter(kParamReverse + s)) != 0 ? kReverseValueOn : kReverseValueOff;
        values.volume[slot] = roundToInt32(effect.getParameter(kParamVolume + s) * static_cast<float>(kKitVolumeScale));
    }
    return values;
}

}  // namespace

int64_t kitTotalLength(const Kv7DrumEdit& effect) {
    int64_t total = 0;
    for (int32_t slot = 0; slot < kNumSlots; ++slot) total += lengthOf(effect, slot);
    return total;
}

bool kitFitsForExport(const Kv7DrumEdit& effect) { return kitTotalLength(effect) <= MAX_BUFFERLENGTH; }

bool normaliseKitFileName(const char* path, char (&name)[kSlotPathSize]) {
    name[0] = '\0';
    if (!path || !*path) return false;
    std::string result(path);
    const std::size_t length = result.size();
    auto endsWith = [&](const char* extension) {
        const std::size_t n = std::strlen(extension);
        return length >= n && strcasecmp(result.c_str() + length - n, extension) == 0;
    };
    if (endsWith(".aif")) {
        // stays as chosen, letter case included
    } else if (endsWith(".wav")) {
        result.replace(length - 3, 3, "aif");
    } else if (endsWith(".aifc")) {
        result.pop_back();
    } else {
        result += ".aif";
    }
    if (result.size() >= static_cast<std::size_t>(kSlotPathSize)) return false;
    std::memcpy(name, result.c_str(), result.size() + 1);
    return true;
}

KitLayout layOutKit(const Kv7DrumEdit& effect) {
    KitLayout layout{};
    int32_t total = 0;
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        const int32_t length = lengthOf(effect, slot);
        layout.start[slot] = total;
        layout.contribution[slot] = length > 0 ? length - 1 : 0;
        layout.end[slot] = total + layout.contribution[slot] - 1;
        total += layout.contribution[slot];
        if (total <= 0) layout.end[slot] = 0;
        if (length > 0) {
            layout.settingsSlot[slot] = slot;
        } else if (slot > 0) {
            layout.start[slot] = layout.start[slot - 1];
            layout.end[slot] = layout.end[slot - 1];
            layout.settingsSlot[slot] = slot - 1;
        } else {
            layout.end[slot] = 128;
            layout.settingsSlot[slot] = 1;
        }
    }
    layout.total = total;
    return layout;
}

KitExportResult Save_All_Buffer_To_KV7_File(Kv7DrumEdit& effect, const SlotPaths& slotPaths, const char* path) {
    KitExportResult result;
    char name[kSlotPathSize];
    if (!normaliseKitFileName(path, name)) {
        result.outcome = KitExportResult::Outcome::Refused;
        result.message = (path && *path) ? "The file name is too long: a kit file's path may have at most 511 characters."
                                         : "No file name was given for the kit file.";
        return result;
    }

    bool anyInUse = false;
    for (int32_t slot = 0; slot < kNumSlots; ++slot)
        if (slotPaths[slot][0] != '\0' && lengthOf(effect, slot) > 0) anyInUse = true;
    if (!anyInUse) return result;

    const KitLayout layout = layOutKit(effect);
    const std::string text = buildKitMetadataText(textValuesFor(effect, layout));

    const int32_t capacity = std::min(layout.total, MAX_BUFFERLENGTH);
    // The slots' samples go to the file straight from the kit store, encoded as they are written.
    std::vector<SampleRun> runs;
    int32_t gatheredCount = 0;
    for (int32_t slot = 0; slot < kNumSlots && gatheredCount < MAX_BUFFERLENGTH; ++slot) {
        const int32_t count = std::min(layout.contribution[slot], MAX_BUFFERLENGTH - gatheredCount);
        if (count <= 0) continue;
        runs.push_back({effect.SampleBuffer[slot], count});
        gatheredCount += count;
    }
    trace("\n k %i frames %i bps %i, outdef %i", gatheredCount, capacity, 2, 2 * gatheredCount);

    // Kits of up to 11 samples are written in full too, so every file holds exactly the samples its
    // header counts.
    std::string error;
    if (!writeKv7Aiff(name, text, runs, error)) {
        result.outcome = KitExportResult::Outcome::Failed;
        result.message = error;
        return result;
    }
    result.outcome = KitExportResult::Outcome::Written;
    result.writtenPath = name;
    result.frames = gatheredCount;
    return result;
}

}  // namespace kitfiles
