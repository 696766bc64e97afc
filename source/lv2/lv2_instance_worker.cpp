// The kit property: a path set from the host's controls or a patch message is loaded here, on the
// worker's thread, the way a drop of that one file on the drop zone loads it.
#include <cstring>
#include <string>

#include "editor/adeditor.h"
#include "engine/kv7drumeditedit.h"
#include "kitfiles/sound_file_loader.h"
#include "lv2/lv2_instance.h"

namespace lv2face {

LV2_Worker_Status Lv2Instance::work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                                    uint32_t size, const void* data) {
    const auto* text = static_cast<const char*>(data);
    const std::string path(text, text ? strnlen(text, size) : 0);
    std::lock_guard<std::mutex> lock(kitMutex);
    if (path.empty()) {
        report("Tembro-laxis: the kit property was set to an empty path; nothing was loaded.");
    } else if (path.size() >= kitfiles::kSlotPathSize) {
        report("Tembro-laxis: the kit property's path is longer than 511 characters; move or rename the file.");
    } else if (path[0] != '/') {
        report("Tembro-laxis: the kit property needs an absolute path, not \"" + path + "\"; nothing was loaded.");
    } else if (loadKitProperty(path.c_str())) {
        savedKitPath = path;
        respond(handle, static_cast<uint32_t>(path.size() + 1), path.c_str());
    }
    return LV2_WORKER_SUCCESS;
}

bool Lv2Instance::loadKitProperty(const char* path) {
    // As a drop of one file on the drop zone: the path becomes slot 0's name, and a kit file is cut
    // into all 24 slots, renaming them.
    Kv7DrumEditEdit& kit = effect.effect();
    kitfiles::SlotPaths& names = kit.getADEditor()->SlotPath;
    std::strcpy(names[0], path);
    const kitfiles::LoadResult result =
        kitfiles::LoadExec_This_Sound_From_File(kit, names, names[0], kitfiles::kLoadSoundFile, 0);
    generation.fetch_add(1, std::memory_order_release);
    markStateChanged();
    if (!result.message.empty()) {
        report("Tembro-laxis: could not load \"" + std::string(path) + "\": " + result.message);
        return false;
    }
    return true;
}

void Lv2Instance::report(const std::string& message) {
    lv2_log_error(&logger, "%s\n", message.c_str());
    pendingMessage = message;
}

std::string Lv2Instance::takeMessage() {
    std::string message;
    message.swap(pendingMessage);
    return message;
}

}  // namespace lv2face
