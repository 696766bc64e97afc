// The kit in the host's project. Saved: per slot its settings, the name its label shows, and its
// samples as a 32-bit float WAV file of the state's own (made where the host says, named through
// the host so a moved project keeps it); and the kit property. Restored: the same kit, bit for bit,
// or, where a part is damaged, an empty slot (or an empty kit) and a message in the host's log.
#include <lv2/core/lv2_util.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "editor/adeditor.h"
#include "engine/kv7drumeditedit.h"
#include "kitfiles/regular_file.h"
#include "lv2/lv2_instance.h"

namespace lv2face {

namespace {

enum SlotField { kSound, kLength, kName, kPitch, kMode, kReverse, kVolume, kFieldCount };
constexpr const char* kFieldNames[kFieldCount] = {"sound", "length", "name", "pitch", "mode", "reverse", "volume"};

std::string slotKey(int32_t slot, SlotField field) {
    char key[160];
    std::snprintf(key, sizeof key, "%s#slot%02d-%s", kPluginUri, slot + 1, kFieldNames[field]);
    return key;
}

struct Paths {
    const LV2_State_Map_Path* map = nullptr;
    const LV2_State_Make_Path* make = nullptr;
    const LV2_State_Free_Path* free = nullptr;

    void release(char* path) const {
        if (free) free->free_path(free->handle, path);
        else std::free(path);
    }
};

Paths pathFeatures(const LV2_Feature* const* features, const LV2_State_Make_Path* instanceMakePath) {
    Paths paths;
    lv2_features_query(features, LV2_STATE__mapPath, &paths.map, false, LV2_STATE__makePath, &paths.make, false,
                       LV2_STATE__freePath, &paths.free, false, nullptr);
    if (!paths.make) paths.make = instanceMakePath;
    return paths;
}

bool writeFloatWav(const char* path, const float* samples, int32_t length, std::string& why) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(kKitSampleRate);
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path, SFM_WRITE, &info);
    if (!file) {
        why = sf_strerror(nullptr);
        return false;
    }
    const sf_count_t written = sf_writef_float(file, samples, length);
    if (written != length) why = sf_strerror(file);
    if (sf_close(file) != 0 && why.empty()) why = "the file could not be closed";
    return written == length && why.empty();
}

}  // namespace

LV2_State_Status Lv2Instance::save(LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                                   const LV2_Feature* const* features) {
    const Paths paths = pathFeatures(features, instanceMakePath);
    std::lock_guard<std::mutex> lock(kitMutex);
    Kv7DrumEditEdit& kit = effect.effect();
    const kitfiles::SlotPaths& names = kit.getADEditor()->SlotPath;
    auto key = [&](const std::string& uri) { return uris.map->map(uris.map->handle, uri.c_str()); };
    auto storeValue = [&](LV2_URID property, const void* value, size_t size, LV2_URID type) {
        return store(handle, property, value, size, type, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    };

    const int32_t version = kStateVersion;
    LV2_State_Status status = storeValue(uris.stateVersion, &version, sizeof version, uris.atomInt);
    for (int32_t slot = 0; slot < kNumSlots && status == LV2_STATE_SUCCESS; ++slot) {
        const int32_t length = kit.BufferLength[slot].load();
        const int32_t pitch = kit.Pitch[slot].load();
        const int32_t mode = kit.PlayMode[slot].load();
        const int32_t reverse = kit.Reverse[slot].load() ? 1 : 0;
        const float volume = kit.Volume[slot].load();
        storeValue(key(slotKey(slot, kLength)), &length, sizeof length, uris.atomInt);
        storeValue(key(slotKey(slot, kPitch)), &pitch, sizeof pitch, uris.atomInt);
        storeValue(key(slotKey(slot, kMode)), &mode, sizeof mode, uris.atomInt);
        storeValue(key(slotKey(slot, kReverse)), &reverse, sizeof reverse, uris.atomBool);
        storeValue(key(slotKey(slot, kVolume)), &volume, sizeof volume, uris.atomFloat);
        if (names[slot][0] != '\0')
            storeValue(key(slotKey(slot, kName)), names[slot], std::strlen(names[slot]) + 1, uris.atomString);
        if (length <= 0) continue;
        if (!paths.make || !paths.map) {
            report("Tembro-laxis: the kit was not saved: the host gives no folder for its sounds.");
            return LV2_STATE_ERR_NO_FEATURE;
        }
        char fileName[32];
        std::snprintf(fileName, sizeof fileName, "slot-%02d.wav", slot + 1);
        char* file = paths.make->path(paths.make->handle, fileName);
        std::string why;
        if (!file || !writeFloatWav(file, kit.SampleBuffer[slot], length, why)) {
            report("Tembro-laxis: the kit was not saved: could not write " + std::string(file ? file : fileName) +
                   ": " + why);
            if (file) paths.release(file);
            return LV2_STATE_ERR_UNKNOWN;
        }
        char* abstract = paths.map->abstract_path(paths.map->handle, file);
        status = storeValue(key(slotKey(slot, kSound)), abstract, std::strlen(abstract) + 1, uris.atomPath);
        paths.release(abstract);
        paths.release(file);
    }
    if (status == LV2_STATE_SUCCESS && !savedKitPath.empty())
        status = storeValue(uris.kit, savedKitPath.c_str(), savedKitPath.size() + 1, uris.atomString);
    if (status != LV2_STATE_SUCCESS) report("Tembro-laxis: the host could not store the kit.");
    return status;
}

LV2_State_Status Lv2Instance::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t,
                                      const LV2_Feature* const* features) {
    std::lock_guard<std::mutex> lock(kitMutex);
    emptyKit();
    generation.fetch_add(1, std::memory_order_release);
    kitAnnouncementDue = true;

    size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void* value = retrieve(handle, uris.stateVersion, &size, &type, &flags);
    if (!value) {
        // Hosts restore a plug-in's default state too, which holds nothing of ours: an empty kit.
        const LV2_URID firstLength = uris.map->map(uris.map->handle, slotKey(0, kLength).c_str());
        if (!retrieve(handle, firstLength, &size, &type, &flags)) return LV2_STATE_SUCCESS;
    }
    if (!value || type != uris.atomInt || size != sizeof(int32_t)) {
        report("Tembro-laxis: the saved kit is damaged (it has no version); the plug-in starts with an empty kit.");
        return LV2_STATE_ERR_BAD_TYPE;
    }
    const int32_t version = *static_cast<const int32_t*>(value);
    if (version != kStateVersion) {
        report("Tembro-laxis: the saved kit has state version " + std::to_string(version) + ", which this version (" +
               std::to_string(kStateVersion) + ") cannot read; it was saved by a newer Tembro-laxis. The plug-in " +
               "starts with an empty kit.");
        return LV2_STATE_ERR_BAD_TYPE;
    }
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        std::string why;
        if (restoreSlot(slot, retrieve, handle, features, why)) continue;
        report("Tembro-laxis: slot " + std::to_string(slot + 1) + " of the saved kit is damaged (" + why +
               "); it starts empty.");
        emptySlot(slot);
    }
    value = retrieve(handle, uris.kit, &size, &type, &flags);
    if (value && (type == uris.atomString || type == uris.atomPath) && size > 0 && size <= sizeof kitPath &&
        static_cast<const char*>(value)[size - 1] == '\0') {
        std::memcpy(kitPath, value, size);
        savedKitPath = kitPath;
    }
    return LV2_STATE_SUCCESS;
}

bool Lv2Instance::restoreSlot(int32_t slot, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                              const LV2_Feature* const* features, std::string& why) {
    Kv7DrumEditEdit& kit = effect.effect();
    auto get = [&](SlotField field, LV2_URID wantedType, size_t& size) -> const void* {
        uint32_t type = 0;
        uint32_t flags = 0;
        const LV2_URID property = uris.map->map(uris.map->handle, slotKey(slot, field).c_str());
        const void* value = retrieve(handle, property, &size, &type, &flags);
        return value && type == wantedType ? value : nullptr;
    };
    size_t size = 0;
    const auto* length = static_cast<const int32_t*>(get(kLength, uris.atomInt, size));
    if (!length || size != sizeof(int32_t) || *length < 0 || *length > MAX_BUFFERLENGTH) {
        why = "its length is missing or out of range";
        return false;
    }
    const auto* pitch = static_cast<const int32_t*>(get(kPitch, uris.atomInt, size));
    const bool pitchOk = pitch && size == sizeof(int32_t);
    const auto* mode = static_cast<const int32_t*>(get(kMode, uris.atomInt, size));
    const bool modeOk = mode && size == sizeof(int32_t);
    const auto* reverse = static_cast<const int32_t*>(get(kReverse, uris.atomBool, size));
    const bool reverseOk = reverse && size == sizeof(int32_t);
    const auto* volume = static_cast<const float*>(get(kVolume, uris.atomFloat, size));
    const bool volumeOk = volume && size == sizeof(float) && std::isfinite(*volume) && *volume >= 0.0f;
    if (!pitchOk || !modeOk || !reverseOk || !volumeOk) {
        why = "its settings are missing or out of range";
        return false;
    }
    size_t nameSize = 0;
    const auto* name = static_cast<const char*>(get(kName, uris.atomString, nameSize));
    if (name && (nameSize == 0 || nameSize > kitfiles::kSlotPathSize || name[nameSize - 1] != '\0')) {
        why = "its name is too long";
        return false;
    }
    if (*length > 0 && !readSlotSound(slot, *length, get(kSound, uris.atomPath, size), features, why)) return false;
    kit.Pitch[slot].store(*pitch);
    kit.PlayMode[slot].store(*mode);
    kit.Reverse[slot].store(*reverse != 0);
    kit.Volume[slot].store(*volume);
    if (name) std::memcpy(kit.getADEditor()->SlotPath[slot], name, nameSize);
    return true;
}

bool Lv2Instance::readSlotSound(int32_t slot, int32_t length, const void* abstractPath,
                                const LV2_Feature* const* features, std::string& why) {
    if (!abstractPath) {
        why = "its sound file is missing";
        return false;
    }
    const auto* abstract = static_cast<const char*>(abstractPath);
    const Paths paths = pathFeatures(features, nullptr);
    char* absolute = paths.map ? paths.map->absolute_path(paths.map->handle, abstract) : nullptr;
    const std::string path = absolute ? absolute : abstract;
    if (absolute) paths.release(absolute);
    std::string reason;
    const int descriptor = kitfiles::openRegularFileForReading(path.c_str(), &reason);
    if (descriptor < 0) {
        why = path + ": " + reason;
        return false;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(descriptor, SFM_READ, &info, SF_TRUE);
    if (!file) {
        why = path + " is not a sound file";
        return false;
    }
    Kv7DrumEditEdit& kit = effect.effect();
    bool read = false;
    if (info.format == (SF_FORMAT_WAV | SF_FORMAT_FLOAT) && info.channels == 1 && info.frames == length) {
        SlotWriteAccess access(kit, slotBit(slot));
        read = sf_readf_float(file, access.leadingSamples(slot, length), length) == length;
        access.clearFrom(slot, read ? length : 0);
        kit.BufferLength[slot].store(read ? length : 0);
    }
    sf_close(file);
    if (!read) why = path + " is not the sound that was saved (cut short or replaced)";
    return read;
}

void Lv2Instance::emptySlot(int32_t slot) {
    Kv7DrumEditEdit& kit = effect.effect();
    {
        SlotWriteAccess access(kit, slotBit(slot));
        access.clearFrom(slot, 0);
        kit.BufferLength[slot].store(0);
    }
    kit.setParameter(kParamPitch + slot, kInitialPitchValue);
    kit.setParameter(kParamPlayMode + slot, kInitialPlayModeValue);
    kit.setParameter(kParamReverse + slot, kInitialReverseValue);
    kit.setParameter(kParamVolume + slot, kInitialVolumeValue);
    kit.getADEditor()->SlotPath[slot][0] = '\0';
}

void Lv2Instance::emptyKit() {
    for (int32_t slot = 0; slot < kNumSlots; ++slot) emptySlot(slot);
    kitPath[0] = '\0';
    savedKitPath.clear();
}

}  // namespace lv2face
