#include "lv2/lv2_instance.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2_util.h>
#include <lv2/options/options.h>

#include <cstring>
#include <new>

namespace lv2face {

Lv2Instance* Lv2Instance::create(double sampleRate, const LV2_Feature* const* features) {
    LV2_URID_Map* map = nullptr;
    LV2_Worker_Schedule* schedule = nullptr;
    LV2_Log_Log* log = nullptr;
    const LV2_Options_Option* options = nullptr;
    const LV2_State_Make_Path* makePath = nullptr;
    const char* missing = lv2_features_query(features,                              //
                                             LV2_LOG__log, &log, false,              //
                                             LV2_URID__map, &map, true,              //
                                             LV2_WORKER__schedule, &schedule, true,  //
                                             LV2_OPTIONS__options, &options, false,  //
                                             LV2_STATE__makePath, &makePath, false,  //
                                             nullptr);
    LV2_Log_Logger logger{};
    lv2_log_logger_init(&logger, map, log);
    if (missing) {
        lv2_log_error(&logger, "Tembro-laxis: the host does not provide %s, which the plug-in needs\n", missing);
        return nullptr;
    }
    auto* instance = new (std::nothrow) Lv2Instance(sampleRate, map);
    if (!instance || !instance->effect.ok()) {
        lv2_log_error(&logger, "Tembro-laxis: the effect could not be made (out of memory?)\n");
        delete instance;
        return nullptr;
    }
    instance->logger = logger;
    instance->schedule = schedule;
    instance->instanceMakePath = makePath;
    const LV2_URID maxBlockKey = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    for (const LV2_Options_Option* option = options; option && option->key; ++option)
        if (option->key == maxBlockKey && option->type == instance->uris.atomInt && option->value)
            instance->maxBlock = *static_cast<const int32_t*>(option->value);
    return instance;
}

Lv2Instance::Lv2Instance(double sampleRate, LV2_URID_Map* map) : uris(map), rate(sampleRate) {
    lv2_atom_forge_init(&forge, map);
}

void Lv2Instance::connect(uint32_t port, void* data) {
    switch (port) {
        case kInputLeft:
        case kInputRight:
            inputs[port - kInputLeft] = static_cast<const float*>(data);
            break;
        case kOutputLeft:
        case kOutputRight:
            outputs[port - kOutputLeft] = static_cast<float*>(data);
            break;
        case kControl:
            control = static_cast<const LV2_Atom_Sequence*>(data);
            break;
        case kNotify:
            notify = static_cast<LV2_Atom_Sequence*>(data);
            break;
        default:
            break;
    }
}

void Lv2Instance::activate() { effect.start(rate, maxBlock); }

void Lv2Instance::deactivate() { effect.stop(); }

void Lv2Instance::renderUpTo(uint32_t to) noexcept {
    if (to <= rendered) return;
    const float* in[2] = {inputs[0] ? inputs[0] + rendered : nullptr, inputs[1] ? inputs[1] + rendered : nullptr};
    float* out[2] = {outputs[0] ? outputs[0] + rendered : nullptr, outputs[1] ? outputs[1] + rendered : nullptr};
    effect.process(in, out, static_cast<int32_t>(to - rendered));
    rendered = to;
}

void Lv2Instance::run(uint32_t frames) noexcept {
    rendered = 0;
    LV2_Atom_Forge_Frame sequence{};
    if (notify) {
        lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(notify), notify->atom.size);
        lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    }
    if (control) {
        LV2_ATOM_SEQUENCE_FOREACH(control, event) {
            // Events out of order or past the block are taken at the nearest frame they can have.
            const int64_t time = event->time.frames;
            const uint32_t at = time < rendered ? rendered : time > frames ? frames : static_cast<uint32_t>(time);
            if (event->body.type == uris.midiEvent) {
                const auto* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&event->body));
                const uint32_t size = event->body.size;
                if (size == 0 || size > 3) continue;
                if (!effect.addMidi(static_cast<int32_t>(at - rendered), bytes, size) && at > rendered) {
                    renderUpTo(at);
                    effect.addMidi(0, bytes, size);
                }
            } else if (lv2_atom_forge_is_object_type(&forge, event->body.type)) {
                handleMessage(reinterpret_cast<const LV2_Atom_Object*>(&event->body));
            }
        }
    }
    renderUpTo(frames);
    if (notify) {
        if (kitAnnouncementDue) announceKit();
        if (stateChangedSinceRun.exchange(false, std::memory_order_acquire)) {
            LV2_Atom_Forge_Frame object{};
            lv2_atom_forge_frame_time(&forge, 0);
            lv2_atom_forge_object(&forge, &object, 0, uris.stateChanged);
            lv2_atom_forge_pop(&forge, &object);
        }
        lv2_atom_forge_pop(&forge, &sequence);
    }
}

void Lv2Instance::handleMessage(const LV2_Atom_Object* object) noexcept {
    if (object->body.otype == uris.patchGet) {
        kitAnnouncementDue = true;
        return;
    }
    if (object->body.otype != uris.patchSet) return;
    const LV2_Atom* property = nullptr;
    const LV2_Atom* value = nullptr;
    lv2_atom_object_get(object, uris.patchProperty, &property, uris.patchValue, &value, 0);
    if (!property || property->type != uris.atomUrid || property->size < sizeof(LV2_URID) ||
        reinterpret_cast<const LV2_Atom_URID*>(property)->body != uris.kit)
        return;
    if (!value || (value->type != uris.atomPath && value->type != uris.atomString) || !schedule) return;
    // The worker gets at most one byte more than a slot's path can hold, enough to tell it is too long.
    const char* text = static_cast<const char*>(LV2_ATOM_BODY_CONST(value));
    uint32_t length = 0;
    while (length < value->size && length < kitfiles::kSlotPathSize && text[length] != '\0') ++length;
    static const char kEmpty = '\0';
    schedule->schedule_work(schedule->handle, length > 0 ? length : 1, length > 0 ? text : &kEmpty);
}

void Lv2Instance::announceKit() noexcept {
    LV2_Atom_Forge_Frame object{};
    lv2_atom_forge_frame_time(&forge, 0);
    lv2_atom_forge_object(&forge, &object, 0, uris.patchSet);
    lv2_atom_forge_key(&forge, uris.patchProperty);
    lv2_atom_forge_urid(&forge, uris.kit);
    lv2_atom_forge_key(&forge, uris.patchValue);
    lv2_atom_forge_path(&forge, kitPath, static_cast<uint32_t>(std::strlen(kitPath)));
    lv2_atom_forge_pop(&forge, &object);
    kitAnnouncementDue = false;
}

LV2_Worker_Status Lv2Instance::workResponse(uint32_t size, const void* data) noexcept {
    const uint32_t length = size < sizeof kitPath - 1 ? size : sizeof kitPath - 1;
    std::memcpy(kitPath, data, length);
    kitPath[length] = '\0';
    kitAnnouncementDue = true;
    return LV2_WORKER_SUCCESS;
}

}  // namespace lv2face
