// The effect's answers to the host: names, versions, capabilities, MIDI key names, output pins and
// the vendor-specific codes of the Audio Unit adapter.
#include <cstdio>
#include <cstring>

#include "engine/kv7drumedit.h"

namespace {

// Capabilities are matched exactly, trailing spaces included.
constexpr const char* kCapabilities[] = {
    "receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo ",
    "plugAsChannelInsert ", "sendVstMidiEvent", "sendVstEvents",
};

}  // namespace

bool Kv7DrumEdit::getEffectName(char* name) {
    std::snprintf(name, kVstMaxEffectNameLen, "%s", "Tembrolaxis");
    return true;
}

bool Kv7DrumEdit::getVendorString(char* text) {
    std::snprintf(text, kVstMaxVendorStrLen, "%s", "Brennwick");
    return true;
}

bool Kv7DrumEdit::getProductString(char* text) {
    std::snprintf(text, kVstMaxProductStrLen, "%s", "Tembrolaxis");
    return true;
}

VstInt32 Kv7DrumEdit::getVendorVersion() { return 1000; }

VstPlugCategory Kv7DrumEdit::getPlugCategory() { return kPlugCategSynth; }

VstInt32 Kv7DrumEdit::getNumMidiInputChannels() { return 0; }

VstInt32 Kv7DrumEdit::getNumMidiOutputChannels() { return 0; }

VstInt32 Kv7DrumEdit::canDo(char* text) {
    if (!text) return -1;
    for (const char* capability : kCapabilities)
        if (std::strcmp(text, capability) == 0) return 1;
    return -1;
}

bool Kv7DrumEdit::getMidiKeyName(VstInt32, MidiKeyName* keyName) {
    std::snprintf(keyName->keyName, kVstMaxNameLen, "%s", "    ");
    keyName->reserved = 0;
    keyName->flags = 0;
    return true;
}

VstIntPtr Kv7DrumEdit::vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg) {
    if (lArg == fourCharCode("sHi!")) return 1;
    if (lArg == fourCharCode("sI00")) return 1;
    if (lArg == fourCharCode("sO00")) return 0;  // never claims a silent output
    if (lArg == fourCharCode("sV2S")) {
        if (ptrArg) std::strcpy(static_cast<char*>(ptrArg), " ");
        return 1;
    }
    return callHost(audioMasterVendorSpecific, lArg, lArg2, ptrArg, floatArg);
}

bool Kv7DrumEdit::getOutputProperties(VstInt64 index, VstPinProperties* properties) {
    if (index < 0 || index > 1 || !properties) return false;
    std::snprintf(properties->label, kVstMaxLabelLen, "Vstx %1d", static_cast<int>(index + 1));
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}
