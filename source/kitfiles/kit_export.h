// Kit export: the loaded slots end to end as one Kv7 drum kit file, with each slot's region and
// settings in the metadata text. The work behind ADEditor::Save_All_Buffer_To_KV7_File.
// User-interface thread: reads the kit store (SampleBuffer unguarded, settings via getParameter).
#pragma once

#include <cstdint>
#include <string>

#include "kitfiles/kit_file_format.h"

class Kv7DrumEdit;

namespace kitfiles {

// The message the export button shows for a kit over 529200 samples.
constexpr char kTotalDurationTooLong[] = "Total Duration too long!";

// Sum of all slots' BufferLength: what the total read-out shows and the export button checks.
int64_t kitTotalLength(const Kv7DrumEdit& effect);
// The export button's rule: at most MAX_BUFFERLENGTH samples in all.
bool kitFitsForExport(const Kv7DrumEdit& effect);

// The chosen name with its extension made ".aif": .aif (any case) stays, .wav becomes .aif,
// .aifc loses its "c", anything else gets ".aif" appended. False, leaving name empty, when the
// result would not fit the 512-byte buffer or path is empty.
bool normaliseKitFileName(const char* path, char (&name)[kSlotPathSize]);

struct KitLayout {
    int32_t contribution[kNumSlots];  // samples the slot adds: BufferLength - 1, or 0 when empty
    int32_t start[kNumSlots];         // first sample in the kit audio
    int32_t end[kNumSlots];           // last sample, inclusive
    int32_t settingsSlot[kNumSlots];  // whose settings are written for the slot
    int32_t total;                    // N, the kit audio's length
};

// Lays the slots end to end; empty slots repeat the region and settings of the slot before them.
KitLayout layOutKit(const Kv7DrumEdit& effect);

struct KitExportResult {
    enum class Outcome {
        Written,       // the kit file is at writtenPath
        NothingInUse,  // no slot has both a path and a sound: nothing written, nothing to say
        Refused,       // the name does not fit: message says so, nothing written
        Failed,        // the file could not be written: message says why; an older file stays
    };
    Outcome outcome = Outcome::NothingInUse;
    std::string writtenPath;
    int32_t frames = 0;  // sample frames of kit audio written
    std::string message;
};

// Writes the kit to path (the name chosen in the save dialog, normalised as above). A slot counts
// as in use when it has a path in slotPaths and at least one sample. The kit's length limit is the
// caller's to check first (kitFitsForExport); longer kits are cut at 529200 samples.
KitExportResult Save_All_Buffer_To_KV7_File(Kv7DrumEdit& effect, const SlotPaths& slotPaths, const char* path);

}  // namespace kitfiles
