// The LV2 entry points: the plug-in's descriptor and the state and worker interfaces, each a thin
// call into the instance. Nothing the host calls lets an exception out.
#include <lv2/core/lv2.h>

#include <cstring>

#include "lv2/lv2_instance.h"

namespace {

using lv2face::Lv2Instance;

Lv2Instance* self(LV2_Handle handle) { return static_cast<Lv2Instance*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
    try {
        return Lv2Instance::create(rate, features);
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) { self(handle)->connect(port, data); }
void activate(LV2_Handle handle) { self(handle)->activate(); }
void run(LV2_Handle handle, uint32_t frames) { self(handle)->run(frames); }
void deactivate(LV2_Handle handle) { self(handle)->deactivate(); }
void cleanup(LV2_Handle handle) { delete self(handle); }

LV2_Worker_Status work(LV2_Handle handle, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle respondTo,
                       uint32_t size, const void* data) {
    try {
        return self(handle)->work(respond, respondTo, size, data);
    } catch (...) {
        return LV2_WORKER_ERR_UNKNOWN;
    }
}

LV2_Worker_Status workResponse(LV2_Handle handle, uint32_t size, const void* data) {
    return self(handle)->workResponse(size, data);
}

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t flags,
                      const LV2_Feature* const* features) {
    try {
        return self(handle)->save(store, state, flags, features);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state,
                         uint32_t flags, const LV2_Feature* const* features) {
    try {
        return self(handle)->restore(retrieve, state, flags, features);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

const void* extensionData(const char* uri) {
    static const LV2_Worker_Interface worker = {work, workResponse, nullptr};
    static const LV2_State_Interface state = {save, restore};
    if (std::strcmp(uri, LV2_WORKER__interface) == 0) return &worker;
    if (std::strcmp(uri, LV2_STATE__interface) == 0) return &state;
    return nullptr;
}

const LV2_Descriptor descriptor = {lv2face::kPluginUri, instantiate, connectPort, activate, run,
                                   deactivate,          cleanup,     extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
