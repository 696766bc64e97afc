// A minimal VST 2.4 host: loads the plug-in module with dlopen, calls VSTPluginMain with its own
// callback, and talks to the effect only through the AEffect record, as music hosts do.
#pragma once

#include <cstdint>
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
    VstIntPtr vendorSpecificAnswer = 0x5EED;
    bool canSizeWindow = false;

    static HostCallbackLog& instance();
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt);
    size_t count(VstInt32 opcode) const;
};


// Convenience calls on an effect record.
VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f);
std::string dispatchText(AEffect* effect, VstInt32 opcode, VstInt32 index = 0);
void sendNotes(AEffect* effect, const std::vector<VstMidiEvent>& events);

// Path of the built plug-in, as the build tells the tests.
std::string builtPluginPath();
