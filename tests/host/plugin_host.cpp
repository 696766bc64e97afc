#include "plugin_host.h"

#include <cstring>

HostCallbackLog& HostCallbackLog::instance() {
    static HostCallbackLog log;
    return log;
}

VstIntPtr HostCallbackLog::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt) {
    HostCallbackLog& log = instance();
    log.calls.push_back({effect, opcode, index, value, ptr, opt});
    switch (opcode) {
        case audioMasterVersion:
            return log.versionAnswer;
        case audioMasterVendorSpecific:
            return log.vendorSpecificAnswer;
        case audioMasterCanDo:
            return log.canSizeWindow && ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0 ? 1 : 0;
        case audioMasterSizeWindow:
            return log.canSizeWindow ? 1 : 0;
        default:
            return 0;
    }
}

size_t HostCallbackLog::count(VstInt32 opcode) const {
    size_t n = 0;
    for (const Call& call : calls) n += call.opcode == opcode;
    return n;
}

VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string dispatchText(AEffect* effect, VstInt32 opcode, VstInt32 index) {
    char text[256];
    std::memset(text, 0, sizeof text);
    dispatch(effect, opcode, index, 0, text);
    return text;
}

void sendNotes(AEffect* effect, const std::vector<VstMidiEvent>& events) {
    VstEventList list(events);
    dispatch(effect, effProcessEvents, 0, 0, list.get());
}

std::string builtPluginPath() { return TL_PLUGIN_PATH; }
