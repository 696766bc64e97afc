// Kit import: reads a Kv7 drum kit file's metadata text and cuts the kit audio, which the loader
// has decoded into slot 0, into the 24 slots with their settings. The work behind
// ADEditor::Finish_Load_KV7_File. User-interface thread.
#pragma once

#include <cstdint>
#include <string>

#include "kitfiles/kit_file_format.h"

class Kv7DrumEdit;

namespace kitfiles {

// What every slot's path becomes after an import; its label then reads "From Kv-7 import".
constexpr char kImportedSlotPath[] = "/////From Kv-7 import";

struct KitImportResult {
    bool imported = false;    // false only when the file could not be read again; nothing changed then
    bool newVersion = false;  // the text holds "drum_version"
    int32_t starts[kNumSlots] = {};  // regions read from the text, as sample positions (0 to 529200)
    int32_t ends[kNumSlots] = {};
    std::string message;  // why nothing was imported
};

// Expects slot 0 to hold the decoded kit audio. Sets every slot's pitch, play mode, reverse and
// volume through effect.setParameter, every BufferLength and the sample memory of slots 1 to 23
// (inside a SlotWriteAccess over all slots), and every slotPaths entry to kImportedSlotPath.
// factory: the text starts at offset 104 instead of 46.
// Afterwards the editor relabels all 24 slots and recalculates every duration and the total.
KitImportResult Finish_Load_KV7_File(Kv7DrumEdit& effect, SlotPaths& slotPaths, const char* path, bool factory);

}  // namespace kitfiles
