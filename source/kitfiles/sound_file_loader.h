// Loading a sound file into a slot: the acceptance check for dropped files, the loader that
// recognises kit files by their signature, and the decoder (libsndfile) that mixes a file to one
// channel and places it in the slot. The work behind ADEditor::CheckIfValidSoundFile,
// LoadExec_This_Sound_From_File and DoXPlatLoadStuff. User-interface thread.
#pragma once

#include <cstdint>
#include <string>

#include "kitfiles/kit_file_format.h"
#include "kitfiles/kit_import.h"

class Kv7DrumEdit;

namespace kitfiles {

// What the decoder is reading.
enum LoadKind : int32_t {
    kLoadSoundFile = 1,
    kLoadKitFile = 6666,         // signature at offset 46
    kLoadFactoryKitFile = 6667,  // signature at offset 104
};

// True for a regular file that is a kit file (signature at offset 46) or that libsndfile opens as
// a sound file. Folders, FIFOs, devices, text and headerless data are refused; nothing blocks.
bool CheckIfValidSoundFile(const char* path);

struct LoadResult {
    // The decoder ran (the file could be opened): the editor sets IsOpen back to true afterwards.
    // When false, IsOpen is left as it was before the load.
    bool decodeAttempted = false;
    uint32_t changedSlots = 0;  // slots whose sound was rewritten (bit n for slot n)
    bool kitImported = false;   // a kit file was cut into all 24 slots; every slotPaths entry changed
    KitImportResult import;     // the import's details when kitImported
    std::string message;        // why nothing was loaded, for the user; empty on success
};

// How a sound reaches its slot. The plug-in decodes it beside the slot and copies it in at the end,
// so the slot goes on playing its old sound meanwhile and the audio thread is kept from it only for
// the copy. A caller without an audio thread (kv7kit) may decode straight into the slot, sparing a
// slot-sized scratch sound; a decoding error then leaves the slot's old sound partly overwritten.
enum class DecodeInto { Scratch, Slot };

// Loads path into slot, or, for a kit file, into slot 0 followed by the kit import. path is usually
// slotPaths[slot]; it is copied first, so the import may rewrite slotPaths. The editor clears IsOpen
// before the call and afterwards: sets IsOpen back (see decodeAttempted), then refreshes the
// durations of changedSlots and the total, and after an import relabels all 24 slots.
LoadResult LoadExec_This_Sound_From_File(Kv7DrumEdit& effect, SlotPaths& slotPaths, const char* path, int32_t kind,
                                         int32_t slot, DecodeInto into = DecodeInto::Scratch);

// The decoder itself; kind >= kLoadKitFile reads the file as a kit.
LoadResult DoXPlatLoadStuff(Kv7DrumEdit& effect, SlotPaths& slotPaths, const char* path, int32_t kind,
                            int32_t slot, DecodeInto into = DecodeInto::Scratch);

}  // namespace kitfiles
