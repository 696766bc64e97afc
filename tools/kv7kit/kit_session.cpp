#include "kit_session.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "kitfiles/sound_file_loader.h"
#include "tool_error.h"

namespace {

bool isFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> entriesByName(const std::string& folder) {
    DIR* directory = opendir(folder.c_str());
    if (!directory) throw ToolError("cannot list the folder \"" + folder + "\": " + std::strerror(errno));
    std::vector<std::string> names;
    // Hidden entries too, as a dropped folder gives them; the check turns away what is no sound.
    while (const dirent* entry = readdir(directory))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.emplace_back(entry->d_name);
    closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

KitSession::KitSession() : engine(new Kv7DrumEdit(nullptr)) { std::memset(paths, 0, sizeof paths); }

bool KitSession::dropInto(const std::string& path) {
    if (full) return false;
    if (path.size() >= static_cast<std::size_t>(kitfiles::kSlotPathSize))
        throw ToolError("the path \"" + path.substr(0, 60) + "...\" is too long: a slot's path may have at most 511 characters");
    const int32_t slot = nextSlot;
    std::strcpy(paths[slot], path.c_str());
    // No audio thread plays the slots here: the sound is decoded straight into its slot.
    const kitfiles::LoadResult result = kitfiles::LoadExec_This_Sound_From_File(
        *engine, paths, paths[slot], kitfiles::kLoadSoundFile, slot, kitfiles::DecodeInto::Slot);
    if (!result.message.empty()) throw ToolError(result.message);
    if (slot >= kNumSlots - 1)
        full = true;
    else
        nextSlot = slot + 1;
    return true;
}

std::vector<std::string> KitSession::soundFiles(const std::vector<std::string>& inputs) {
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        if (isFolder(input)) {
            const std::string prefix = input.back() == '/' ? input : input + "/";
            for (const std::string& name : entriesByName(input))
                if (kitfiles::CheckIfValidSoundFile((prefix + name).c_str())) files.push_back(prefix + name);
            continue;
        }
        if (!kitfiles::CheckIfValidSoundFile(input.c_str())) {
            struct stat info;
            if (stat(input.c_str(), &info) != 0) throw ToolError("cannot open \"" + input + "\": " + std::strerror(errno));
            throw ToolError("\"" + input + "\" is not a sound file that can be read");
        }
        files.push_back(input);
    }
    return files;
}

int32_t KitSession::dropOnDropZone(const std::vector<std::string>& inputs) {
    int32_t ignored = 0;
    for (const std::string& file : soundFiles(inputs))
        if (!dropInto(file)) ++ignored;
    return ignored;
}

bool KitSession::place(const std::string& path, const std::vector<float>& samples) {
    if (full) return false;
    if (path.size() >= static_cast<std::size_t>(kitfiles::kSlotPathSize))
        throw ToolError("the path \"" + path.substr(0, 60) + "...\" is too long: a slot's path may have at most 511 characters");
    const int32_t slot = nextSlot;
    std::strcpy(paths[slot], path.c_str());
    const auto length = static_cast<int32_t>(std::min<std::size_t>(samples.size(), MAX_BUFFERLENGTH));
    {
        SlotWriteAccess access(*engine, slotBit(slot));
        std::copy(samples.begin(), samples.begin() + length, access.leadingSamples(slot, length));
        access.clearFrom(slot, length);
        engine->BufferLength[slot].store(length);
    }
    if (slot >= kNumSlots - 1)
        full = true;
    else
        nextSlot = slot + 1;
    return true;
}

kitfiles::KitImportResult KitSession::importKit(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) throw ToolError("cannot open \"" + path + "\": " + std::strerror(errno));
    if (path.size() >= static_cast<std::size_t>(kitfiles::kSlotPathSize)) throw ToolError("the kit file's path is too long");
    std::strcpy(paths[0], path.c_str());
    const kitfiles::LoadResult result = kitfiles::LoadExec_This_Sound_From_File(
        *engine, paths, paths[0], kitfiles::kLoadSoundFile, 0, kitfiles::DecodeInto::Slot);
    if (!result.kitImported) {
        // A kit file the loader could not read says so; anything else simply is no kit.
        if (result.message.find("kit file") != std::string::npos) throw ToolError(result.message);
        throw ToolError("\"" + path + "\" is not a Kv7 drum kit file");
    }
    return result.import;
}
