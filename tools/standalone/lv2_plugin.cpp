#include "lv2_plugin.h"

#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

constexpr uint32_t kSequenceBytes = 1u << 16;
constexpr uint32_t kControlPort = 4;
constexpr uint32_t kNotifyPort = 5;

std::string nodeText(LilvNode* node) {
    std::string text = node ? lilv_node_as_string(node) : "";
    lilv_node_free(node);
    return text;
}

}  // namespace

Lv2Plugin::Lv2Plugin(Lv2Worker::Mode mode)
    : workerMode(mode), control(kSequenceBytes), notify(kSequenceBytes), spare(2 * 8192) {}

std::unique_ptr<Lv2Plugin> Lv2Plugin::load(const std::string& bundle, Lv2Worker::Mode mode, std::string& error) {
    std::unique_ptr<Lv2Plugin> host(new Lv2Plugin(mode));
    host->world = lilv_world_new();
    if (bundle.empty()) {
        lilv_world_load_all(host->world);
    } else {
        std::string folder = std::filesystem::absolute(bundle).string();
        if (folder.back() != '/') folder += '/';
        LilvNode* uri = lilv_new_file_uri(host->world, nullptr, folder.c_str());
        lilv_world_load_bundle(host->world, uri);
        lilv_node_free(uri);
    }
    LilvNode* uri = lilv_new_uri(host->world, kUri);
    host->plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(host->world), uri);
    lilv_node_free(uri);
    if (!host->plugin) {
        error = "no LV2 plug-in " + std::string(kUri) + " in " + (bundle.empty() ? "LV2_PATH" : bundle);
        return nullptr;
    }
    char* folder = lilv_file_uri_parse(lilv_node_as_uri(lilv_plugin_get_bundle_uri(host->plugin)), nullptr);
    host->bundlePath = folder;
    lilv_free(folder);
    host->uis = lilv_plugin_get_uis(host->plugin);
    LilvNode* x11 = lilv_new_uri(host->world, LV2_UI__X11UI);
    LILV_FOREACH (uis, i, host->uis)
        if (lilv_ui_is_a(lilv_uis_get(host->uis, i), x11)) host->ui = lilv_uis_get(host->uis, i);
    lilv_node_free(x11);

    auto mapped = [&](const char* name) { return host->map.map(host->map.handle, name); };
    host->midiEvent = mapped(LV2_MIDI__MidiEvent);
    host->patchSet = mapped(LV2_PATCH__Set);
    host->patchProperty = mapped(LV2_PATCH__property);
    host->patchValue = mapped(LV2_PATCH__value);
    host->kitKey = mapped((std::string(kUri) + "#kit").c_str());
    host->atomPath = mapped(LV2_ATOM__Path);
    host->atomString = mapped(LV2_ATOM__String);
    host->atomUrid = mapped(LV2_ATOM__URID);
    host->stateChangedType = mapped(LV2_STATE__StateChanged);
    lv2_atom_forge_init(&host->forge, &host->map);
    host->worker = std::make_unique<Lv2Worker>(mode);
    return host;
}

Lv2Plugin::~Lv2Plugin() {
    closeEditor();
    stop();
    worker.reset();  // its thread may still be in the plug-in's work
    if (instance) lilv_instance_free(instance);
    lilv_uis_free(uis);
    lilv_world_free(world);
}

std::string Lv2Plugin::name() const { return nodeText(lilv_plugin_get_name(plugin)); }
std::string Lv2Plugin::vendor() const { return nodeText(lilv_plugin_get_author_name(plugin)); }

bool Lv2Plugin::instantiate(double sampleRate, std::string& error) {
    options = {{LV2_OPTIONS_INSTANCE, 0, map.map(map.handle, LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                map.map(map.handle, LV2_ATOM__Int), &maxBlockOption},
               {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    featureList = {{LV2_URID__map, &map},
                   {LV2_URID__unmap, &unmap},
                   {LV2_WORKER__schedule, worker->feature()},
                   {LV2_LOG__log, &logFeature},
                   {LV2_OPTIONS__options, options.data()},
                   {LV2_BUF_SIZE__boundedBlockLength, nullptr}};
    features.clear();
    for (const LV2_Feature& feature : featureList) features.push_back(&feature);
    features.push_back(nullptr);
    instance = lilv_plugin_instantiate(plugin, sampleRate, features.data());
    if (!instance) {
        error = "the LV2 plug-in could not be instantiated";
        return false;
    }
    instanceRate = sampleRate;
    worker->attach(lilv_instance_get_handle(instance), static_cast<const LV2_Worker_Interface*>(
                                                           lilv_instance_get_extension_data(instance, LV2_WORKER__interface)));
    // A state that cannot be read leaves the new instance empty, and says so.
    std::string why;
    if (!stateToRestore.empty() && !restoreState(stateToRestore, why)) std::fprintf(stderr, "tembro-laxis: %s\n", why.c_str());
    return true;
}

void Lv2Plugin::start(double sampleRate, int maxBlockSize) {
    if (running) return;
    rate = sampleRate;
    maxBlock = maxBlockSize;
    if (instance && instanceRate != sampleRate) {
        // An instance knows its rate from birth: a new one at the new rate takes over the kit.
        const std::string folder = (std::filesystem::temp_directory_path() / "tembro-laxis-rate-XXXXXX").string();
        std::vector<char> name(folder.begin(), folder.end());
        name.push_back('\0');
        std::string error;
        if (mkdtemp(name.data()) && saveState(name.data(), error)) stateToRestore = name.data();
        lilv_instance_free(instance);
        instance = nullptr;
        std::string why;
        if (!instantiate(sampleRate, why)) std::fprintf(stderr, "tembro-laxis: %s\n", why.c_str());
        if (!stateToRestore.empty()) std::filesystem::remove_all(stateToRestore);
        stateToRestore.clear();
    }
    std::string error;
    if (!instance && !instantiate(sampleRate, error)) {
        std::fprintf(stderr, "tembro-laxis: %s\n", error.c_str());
        return;
    }
    lilv_instance_activate(instance);
    running = true;
    settle();
}

void Lv2Plugin::stop() {
    if (!running) return;
    lilv_instance_deactivate(instance);
    running = false;
}

void Lv2Plugin::settle() {
    // A kit asked for before the first block is loaded now, so the first block plays it.
    if (!running || !kitPending.load()) return;
    runOnce(0);
    worker->waitUntilIdle();
    runOnce(0);
}

void Lv2Plugin::runOnce(uint32_t frames) noexcept {
    float* silence[2] = {spare.data(), spare.data() + 4096};
    std::fill(spare.begin(), spare.end(), 0.0f);
    process(nullptr, silence, silence, static_cast<int>(frames));
}

void Lv2Plugin::process(VstEvents* events, float** inputs, float** outputs, int frames) noexcept {
    if (!instance || !running) return;
    const auto count = static_cast<uint32_t>(frames);
    writeControl(events, count);
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(notify.data());
    out->atom.type = 0;
    out->atom.size = kSequenceBytes - sizeof(LV2_Atom);
    lilv_instance_connect_port(instance, 0, inputs ? inputs[0] : nullptr);
    lilv_instance_connect_port(instance, 1, inputs ? inputs[1] : nullptr);
    lilv_instance_connect_port(instance, 2, outputs[0]);
    lilv_instance_connect_port(instance, 3, outputs[1]);
    lilv_instance_connect_port(instance, kControlPort, control.data());
    lilv_instance_connect_port(instance, kNotifyPort, notify.data());
    lilv_instance_run(instance, count);
    worker->deliverResponses();
    readNotify();
}

void Lv2Plugin::writeControl(VstEvents* events, uint32_t frames) noexcept {
    lv2_atom_forge_set_buffer(&forge, control.data(), control.size());
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    for (VstInt32 i = 0; events && i < events->numEvents; ++i) {
        const auto* event = reinterpret_cast<const VstMidiEvent*>(events->events[i]);
        if (!event || event->type != kVstMidiType) continue;
        const auto status = static_cast<uint8_t>(event->midiData[0]);
        const uint32_t size = status >= 0xf0 ? 1 : (status & 0xe0) == 0xc0 ? 2 : 3;
        const uint32_t at = event->deltaFrames < 0 ? 0 : std::min<uint32_t>(event->deltaFrames, frames);
        lv2_atom_forge_frame_time(&forge, at);
        lv2_atom_forge_atom(&forge, size, midiEvent);
        lv2_atom_forge_write(&forge, event->midiData, size);
    }
    if (kitPending.load(std::memory_order_acquire)) {
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &object, 0, patchSet);
        lv2_atom_forge_key(&forge, patchProperty);
        lv2_atom_forge_urid(&forge, kitKey);
        lv2_atom_forge_key(&forge, patchValue);
        lv2_atom_forge_path(&forge, pendingKit.c_str(), static_cast<uint32_t>(pendingKit.size()));
        lv2_atom_forge_pop(&forge, &object);
        kitPending.store(false, std::memory_order_release);
    }
    lv2_atom_forge_pop(&forge, &sequence);
}

void Lv2Plugin::readNotify() noexcept {
    const auto* sequence = reinterpret_cast<const LV2_Atom_Sequence*>(notify.data());
    if (sequence->atom.type == 0) return;
    LV2_ATOM_SEQUENCE_FOREACH(sequence, event) {
        if (!lv2_atom_forge_is_object_type(&forge, event->body.type)) continue;
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
        if (object->body.otype == stateChangedType) stateChangedSeen.store(true);
        const LV2_Atom* property = nullptr;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get(object, patchProperty, &property, patchValue, &value, 0);
        if (object->body.otype != patchSet || !property || property->type != atomUrid ||
            reinterpret_cast<const LV2_Atom_URID*>(property)->body != kitKey || !value)
            continue;
        announcements.push(value->size, LV2_ATOM_BODY_CONST(value));
    }
}

bool Lv2Plugin::setKitProperty(const std::string& kitPath) {
    if (kitPending.load(std::memory_order_acquire)) return false;
    pendingKit = kitPath;
    kitPending.store(true, std::memory_order_release);
    return true;
}

std::string Lv2Plugin::kitProperty() {
    uint32_t size = 0;
    while (announcements.pop(*announcement, size)) {
        const auto* text = reinterpret_cast<const char*>(announcement->data());
        announcedKit.assign(text, strnlen(text, size));
    }
    return announcedKit;
}

bool Lv2Plugin::saveState(const std::string& folder, std::string& error) {
    if (!instance) {
        error = "there is no kit to save yet";
        return false;
    }
    std::filesystem::create_directories(folder);
    LilvState* state = lilv_state_new_from_instance(plugin, instance, &map, nullptr, folder.c_str(), folder.c_str(),
                                                    folder.c_str(), nullptr, nullptr,
                                                    LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features.data());
    const int failed = state ? lilv_state_save(world, &map, &unmap, state, nullptr, folder.c_str(), "state.ttl") : 1;
    lilv_state_free(state);
    if (failed) error = "could not save the kit's state in " + folder;
    return failed == 0;
}

bool Lv2Plugin::restoreState(const std::string& folder, std::string& error) {
    if (!instance) {
        stateToRestore = folder;
        return true;
    }
    const std::string file = folder + "/state.ttl";
    LilvState* state = lilv_state_new_from_file(world, &map, nullptr, file.c_str());
    if (!state) {
        error = "no saved kit in " + file;
        return false;
    }
    lilv_state_restore(state, instance, nullptr, nullptr, 0, features.data());
    lilv_state_free(state);
    return true;
}

std::vector<std::string> Lv2Plugin::logMessages() const {
    std::lock_guard<std::mutex> lock(logLock);
    return log;
}

LV2_URID Lv2Plugin::mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto* self = static_cast<Lv2Plugin*>(handle);
    std::lock_guard<std::mutex> lock(self->uridLock);
    const auto [entry, added] = self->urids.try_emplace(uri, static_cast<LV2_URID>(self->uris.size() + 1));
    if (added) self->uris.emplace_back(uri);
    return entry->second;
}

const char* Lv2Plugin::unmapUrid(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
    auto* self = static_cast<Lv2Plugin*>(handle);
    std::lock_guard<std::mutex> lock(self->uridLock);
    return urid >= 1 && urid <= self->uris.size() ? self->uris[urid - 1].c_str() : nullptr;
}

int Lv2Plugin::logPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = logVprintf(handle, type, format, args);
    va_end(args);
    return written;
}

int Lv2Plugin::logVprintf(LV2_Log_Handle handle, LV2_URID, const char* format, va_list args) {
    auto* self = static_cast<Lv2Plugin*>(handle);
    char text[2048];
    const int written = std::vsnprintf(text, sizeof text, format, args);
    std::fputs(text, stderr);
    std::lock_guard<std::mutex> lock(self->logLock);
    self->log.emplace_back(text);
    return written;
}
