// An engine with the editor's slot paths, loaded the way the plug-in's window loads it: sounds
// dropped on the drop zone fill the slots from slot 0 on, and a dropped kit file is cut into slots.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/kv7drumedit.h"
#include "kitfiles/kit_file_format.h"
#include "kitfiles/kit_import.h"

class KitSession {
public:
    KitSession();

    Kv7DrumEdit& effect() { return *engine; }
    kitfiles::SlotPaths& slotPaths() { return paths; }

    // Loads the inputs into slots 0, 1, 2 ... in order. A folder gives its accepted entries in name
    // order; a named file that is not a sound, or one that fails to load, is an error (ToolError).
    // Returns how many accepted sounds found no free slot.
    int32_t dropOnDropZone(const std::vector<std::string>& inputs);
    // The sound files the inputs name, in the order dropOnDropZone takes them; ToolError as there.
    static std::vector<std::string> soundFiles(const std::vector<std::string>& inputs);
    // Puts a prepared sound into the next slot as it is (cut at a slot's 12 seconds), named by its
    // path; false once the kit is full.
    bool place(const std::string& path, const std::vector<float>& samples);

    // Loads a Kv7 drum kit file and cuts it into the 24 slots; ToolError when it is none.
    kitfiles::KitImportResult importKit(const std::string& path);

private:
    // Loads one accepted file into the next slot; false once the kit is full.
    bool dropInto(const std::string& path);

    std::unique_ptr<Kv7DrumEdit> engine;
    kitfiles::SlotPaths paths;
    int32_t nextSlot = 0;
    bool full = false;
};
