// An engine with the editor's slot paths, loaded the way the plug-in's window loads it: sounds
// dropped on the drop zone fill the slots from slot 0 on, and a dropped kit file is cut into slots.
#pragma once

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
