// A minimal VST 2.4 host for the tests and the benchmarks: a callback that records what it is
// asked, dispatcher calls, and the start a host gives an effect before showing its editor.
#pragma once

#include <string>
#include <vector>

#include "frame/vst2_interface.h"
#include "plugin_module.h"
#include "vst_events.h"

// What the host callback was asked, and how it answers.
struct HostCallbackLog {
    struct Call {
        AEffect* effect;
        VstInt32 opcode, index;
        VstIntPtr value;
        void* ptr;
        float opt;
    };
    std::vector<Call> calls;
    VstIntPtr versionAnswer = kVstVersion;
    static constexpr VstIntPtr kVendorSpecificAnswer = 0x5EED;

    static HostCallbackLog& instance() {
        static HostCallbackLog log;
        return log;
    }
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
        instance().calls.push_back({effect, opcode, index, value, ptr, opt});
        if (opcode == audioMasterVersion) return instance().versionAnswer;
        return opcode == audioMasterVendorSpecific ? kVendorSpecificAnswer : 0;
    }
};

inline VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

inline std::string builtPluginPath() { return TL_PLUGIN_PATH; }

// Opens and resumes the effect at 44.1 kHz in blocks of 512, as a host does; the editor's rectangle.
inline ERect* startAsAHostDoes(AEffect* effect) {
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(effect, effSetBlockSize, 0, 512);
    dispatch(effect, effMainsChanged, 0, 1);
    ERect* rect = nullptr;
    dispatch(effect, effEditGetRect, 0, 0, &rect);
    return rect;
}
