// Fuzzes what an LV2 host puts in the control port: well-formed atom sequences whose events are
// anything, MIDI of any length and bytes, patch:Set and patch:Get messages with any property,
// value type and value (paths without their end, too long, relative, naming any file), at any
// frame, in run calls of any length. The worker answers at once, as hosts do offline. Checked:
// finite outputs, and nothing in the notify port but patch:Set and state:StateChanged messages.
#include <fuzzer/FuzzedDataProvider.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "kitfiles/kit_trace.h"
#include "lv2/lv2_instance.h"

namespace {

std::map<std::string, LV2_URID> urids;
LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) { return urids.try_emplace(uri, urids.size() + 1).first->second; }
LV2_URID_Map map{nullptr, mapUri};

lv2face::Lv2Instance* instance = nullptr;
std::vector<std::vector<uint8_t>> responses;
LV2_Worker_Status respond(LV2_Worker_Respond_Handle, uint32_t size, const void* data) {
    responses.emplace_back(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return LV2_WORKER_SUCCESS;
}
LV2_Worker_Status scheduleWork(LV2_Worker_Schedule_Handle, uint32_t size, const void* data) {
    return instance->work(respond, nullptr, size, data);
}
LV2_Worker_Schedule schedule{nullptr, scheduleWork};

lv2face::Lv2Instance& theInstance() {
    if (!instance) {
        kitfiles::setTraceStream(nullptr);
        const LV2_Feature mapFeature{LV2_URID__map, &map}, workFeature{LV2_WORKER__schedule, &schedule};
        const LV2_Feature* features[] = {&mapFeature, &workFeature, nullptr};
        instance = lv2face::Lv2Instance::create(48000.0, features);
        instance->activate();
    }
    return *instance;
}

void forgeEvent(LV2_Atom_Forge& forge, FuzzedDataProvider& in, const lv2face::Uris& uris) {
    const LV2_URID types[] = {uris.atomPath, uris.atomString, uris.atomInt, uris.atomUrid, uris.midiEvent};
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            const std::string bytes = in.ConsumeRandomLengthString(8);
            lv2_atom_forge_atom(&forge, static_cast<uint32_t>(bytes.size()), uris.midiEvent);
            lv2_atom_forge_write(&forge, bytes.data(), static_cast<uint32_t>(bytes.size()));
            break;
        }
        case 1:
        case 2: {
            LV2_Atom_Forge_Frame object;
            lv2_atom_forge_object(&forge, &object, 0, in.ConsumeBool() ? uris.patchSet : uris.patchGet);
            if (in.ConsumeBool()) {
                lv2_atom_forge_key(&forge, uris.patchProperty);
                lv2_atom_forge_urid(&forge, in.ConsumeBool() ? uris.kit : in.ConsumeIntegral<uint8_t>());
            }
            if (in.ConsumeBool()) {
                lv2_atom_forge_key(&forge, uris.patchValue);
                const std::string value = in.ConsumeBool() ? "/tmp/" + in.ConsumeRandomLengthString(700)
                                                           : in.ConsumeRandomLengthString(700);
                // Without its terminating zero when the size says so.
                lv2_atom_forge_atom(&forge, static_cast<uint32_t>(value.size()), in.PickValueInArray(types));
                lv2_atom_forge_write(&forge, value.data(), static_cast<uint32_t>(value.size()));
            }
            lv2_atom_forge_pop(&forge, &object);
            break;
        }
        default:
            lv2_atom_forge_atom(&forge, 0, in.ConsumeIntegral<uint8_t>());
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    lv2face::Lv2Instance& plugin = theInstance();
    static const lv2face::Uris uris(&map);
    static std::vector<uint8_t> control(1 << 16), notify(1 << 16);
    static std::vector<float> audio(4 * 4096);
    while (in.remaining_bytes() > 0) {
        const auto frames = in.ConsumeIntegralInRange<uint32_t>(0, 4096);
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, &map);
        lv2_atom_forge_set_buffer(&forge, control.data(), control.size());
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_sequence_head(&forge, &sequence, 0);
        for (int64_t frame = 0, count = in.ConsumeIntegralInRange(0, 40); count > 0 && in.remaining_bytes(); --count) {
            frame += in.ConsumeIntegralInRange<int64_t>(-2, frames / 4 + 2);  // out of order and past the end too
            lv2_atom_forge_frame_time(&forge, frame);
            forgeEvent(forge, in, uris);
        }
        lv2_atom_forge_pop(&forge, &sequence);
        auto* out = reinterpret_cast<LV2_Atom_Sequence*>(notify.data());
        out->atom = {static_cast<uint32_t>(notify.size() - sizeof(LV2_Atom)), 0};
        for (uint32_t port = 0; port < 4; ++port) plugin.connect(port, audio.data() + 4096 * port);
        plugin.connect(lv2face::kControl, control.data());
        plugin.connect(lv2face::kNotify, notify.data());
        plugin.run(frames);
        for (const auto& response : responses) plugin.workResponse(static_cast<uint32_t>(response.size()), response.data());
        responses.clear();
        for (float sample : audio)
            if (!std::isfinite(sample)) std::abort();
        LV2_ATOM_SEQUENCE_FOREACH(out, event) {
            const LV2_URID type = reinterpret_cast<const LV2_Atom_Object*>(&event->body)->body.otype;
            if (type != uris.patchSet && type != uris.stateChanged) std::abort();
        }
    }
    return 0;
}
