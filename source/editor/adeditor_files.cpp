// Sounds in and kits out: the drop targets' work and the exports, done by the kit-file code that
// the command-line tool shares; here the window is kept in step and failures are shown.
#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "editor/adeditor.h"
#include "editor/text_copy.h"
#include "editor/cmydragbutton.h"
#include "editor/cmytextlabel.h"
#include "engine/kv7drumeditedit.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/kit_import.h"
#include "kitfiles/kit_trace.h"
#include "kitfiles/slot_export.h"
#include "kitfiles/sound_file_loader.h"
#include "vstgui/cframe.h"
#include "vstgui/idatapackage.h"

using namespace VSTGUI;

namespace {

constexpr char kPathTooLongTitle[] = "Path too long";
constexpr char kNothingLoadedTitle[] = "Nothing was loaded";

// Items a drop passes over are no sounds; standard error tells which.
void traceSkipped(const char* path) { kitfiles::trace("\n skipped \"%s\": not a sound file", path ? path : ""); }

// Item index of a drag as a path; null when the package has no such item.
const char* itemPath(IDataPackage* package, uint32 index) {
    const void* buffer = nullptr;
    IDataPackage::Type type = IDataPackage::kError;
    package->getData(index, buffer, type);
    return static_cast<const char*>(buffer);
}

// The package's item count as the signed number the drop rules use.
int32 itemCount(IDataPackage* package) { return package ? static_cast<int32>(package->getCount()) : 0; }

}  // namespace

void ADEditor::showFailure(const char* title, const std::string& message) {
    if (!message.empty()) DoDialog(title, message.c_str());
}

bool ADEditor::CheckIfValidSoundFile(const char* path) { return path && kitfiles::CheckIfValidSoundFile(path); }

bool ADEditor::LoadExec_This_Sound_From_File(const char* path, int32 kind, int32 slot) {
    if (!path || path[0] == '\0' || !isSlot(slot)) return false;
    const bool wasOpen = IsOpen;
    IsOpen = false;
    const kitfiles::LoadResult result = kitfiles::LoadExec_This_Sound_From_File(kit(), SlotPath, path, kind, slot);
    IsOpen = result.decodeAttempted ? frame != nullptr : wasOpen;
    for (int32 n = 0; n < kNumSlots; ++n)
        if (result.changedSlots & slotBit(n)) ReCalcDuration(n);
    ReCalcTotalDuration();
    if (result.kitImported) {
        for (int32 n = 0; n < kNumSlots; ++n) {
            updateTextLabelToPath(n);
            ReCalcDuration(n);
        }
        ReCalcTotalDuration();
    }
    showFailure("Could not load the file", result.message);
    return result.changedSlots != 0;
}

void ADEditor::DoXPlatLoadStuff(const char* path, int32 kind, int32, int32 slot) {
    if (!path || !isSlot(slot)) return;
    const bool wasOpen = IsOpen;
    IsOpen = false;
    const kitfiles::LoadResult result = kitfiles::DoXPlatLoadStuff(kit(), SlotPath, path, kind, slot);
    IsOpen = result.decodeAttempted ? frame != nullptr : wasOpen;
    for (int32 n = 0; n < kNumSlots; ++n)
        if (result.changedSlots & slotBit(n)) ReCalcDuration(n);
    ReCalcTotalDuration();
    if (result.kitImported)
        for (int32 n = 0; n < kNumSlots; ++n) updateTextLabelToPath(n);
    showFailure("Could not load the file", result.message);
}

void ADEditor::Finish_Load_KV7_File(const char* path, int32, bool factory) {
    if (!path) return;
    const kitfiles::KitImportResult result = kitfiles::Finish_Load_KV7_File(kit(), SlotPath, path, factory);
    if (!result.imported) {
        showFailure("Could not import the kit", result.message);
        return;
    }
    for (int32 n = 0; n < kNumSlots; ++n) {
        updateTextLabelToPath(n);
        ReCalcDuration(n);
    }
    ReCalcTotalDuration();
}

void ADEditor::Save_All_Buffer_To_KV7_File(const char* path) {
    const kitfiles::KitExportResult result = kitfiles::Save_All_Buffer_To_KV7_File(kit(), SlotPath, path);
    if (result.outcome == kitfiles::KitExportResult::Outcome::Refused ||
        result.outcome == kitfiles::KitExportResult::Outcome::Failed)
        showFailure("Export failed", result.message);
}

void ADEditor::Save_All_Files_Individually(const char* path) {
    const kitfiles::SlotExportResult result = kitfiles::Save_All_Files_Individually(kit(), path);
    if (result.refused || !result.failed.empty()) showFailure("Export failed", result.message);
}

void ADEditor::StoreAndLoadFile(int32 slot) {
    if (!isSlot(slot)) return;
    LoadExec_This_Sound_From_File(SlotPath[slot], 1, slot);
    if (!SlotLabel[slot]) return;
    SlotLabel[slot]->HasFile = true;
    updateTextLabelToPath(slot);
}

ADEditor::SlotLoad ADEditor::storePathAndLoad(const char* path, int32 slot) {
    // A name the slot cannot hold would load some other file: refuse it instead.
    if (std::strlen(path) >= kitfiles::kSlotPathSize) {
        DoDialog(kPathTooLongTitle, "The file's path is longer than 511 characters; move or rename it.");
        return SlotLoad::Refused;
    }
    copyCut(SlotPath[slot], path);
    const bool loaded = LoadExec_This_Sound_From_File(SlotPath[slot], kitfiles::kLoadSoundFile, slot);
    SlotLabel[slot]->HasFile = true;
    updateTextLabelToPath(slot);
    return loaded ? SlotLoad::Loaded : SlotLoad::Failed;
}

void ADEditor::dropRefused(const char* reason) {
    if (IsOpen && reason) DoDialog(kNothingLoadedTitle, reason);
}

void ADEditor::HandleDragEnterLeave(CControl* control, IDataPackage* package, bool entering, const CPoint&) {
    if (!IsOpen || !control) return;
    const int32 count = itemCount(package);
    const bool valid = entering && count >= 0;
    if (control->getTag() == kDropZoneTag) {
        DropButton->DropHighlight = valid;
        return;
    }
    if (!valid) {
        for (CMyTextLabel* label : SlotLabel) {
            label->DropHighlight = false;
            label->setDirty(true);
        }
        return;
    }
    const int32 first = control->getTag() - kFirstSlotLabelTag;
    if (!isSlot(first)) return;
    // Highlight the slots the dragged sounds would fill; items that are not sounds use none.
    int32 slot = first;
    for (int32 i = 0; i < count && slot < kNumSlots; ++i) {
        const char* path = itemPath(package, static_cast<uint32>(i));
        if (!CheckIfValidSoundFile(path)) continue;
        SlotLabel[slot]->DropHighlight = true;
        SlotLabel[slot]->HighlightPhase = 0;
        ++slot;
    }
    for (CMyTextLabel* label : SlotLabel) label->setDirty(true);
}

bool ADEditor::HandleDragDrop(CControl* control, IDataPackage* package, bool, const CPoint&) {
    if (!IsOpen || !control) return false;
    int32 slot = 0;
    const int32 tag = control->getTag();
    if (tag == kDropZoneTag) {
        DropButton->DropHighlight = false;
    } else if (tag >= kFirstSlotLabelTag && tag < kFirstSlotLabelTag + kNumSlots) {
        slot = tag - kFirstSlotLabelTag;
    }
    const int32 count = itemCount(package);
    if (count <= 0) return false;
    const char* first = itemPath(package, 0);
    if (!first) return false;
    bool loaded = false;

    if (count == 1) {
        if (DIR* folder = opendir(first)) {
            // A folder's sounds in the order the file system lists them, until slot 23 is filled.
            const int32 firstSlot = slot;
            while (slot < kNumSlots) {
                const dirent* entry = readdir(folder);
                if (!entry) break;
                const std::string candidate = std::string(first) + "/" + entry->d_name;
                if (!CheckIfValidSoundFile(candidate.c_str())) {
                    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                        traceSkipped(candidate.c_str());
                    continue;
                }
                const SlotLoad load = storePathAndLoad(candidate.c_str(), slot);
                loaded = loaded || load == SlotLoad::Loaded;
                if (load != SlotLoad::Refused) ++slot;
            }
            closedir(folder);
            if (slot == firstSlot)
                DoDialog(kNothingLoadedTitle,
                         ("The folder \"" + std::string(first) + "\" holds no sound file that can be loaded.").c_str());
            return loaded;
        }
        // A single file goes to the loader unchecked; the loader decides what it can read.
        return storePathAndLoad(first, slot) == SlotLoad::Loaded;
    }
    bool anyTaken = false;
    for (int32 i = 0; i < count; ++i) {
        const char* path = itemPath(package, static_cast<uint32>(i));
        if (!CheckIfValidSoundFile(path)) {
            traceSkipped(path);
            continue;
        }
        const SlotLoad load = storePathAndLoad(path, slot);
        if (load == SlotLoad::Refused) continue;
        anyTaken = true;
        loaded = loaded || load == SlotLoad::Loaded;
        if (slot >= kNumSlots - 1) break;
        ++slot;
    }
    if (!anyTaken)
        DoDialog(kNothingLoadedTitle, ("None of the " + std::to_string(count) +
                                       " dropped items is a sound file that can be loaded.").c_str());
    return loaded;
}
