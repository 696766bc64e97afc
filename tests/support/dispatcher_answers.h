// What the plug-in answers to each dispatcher opcode, and how large a buffer each pointer argument
// is: the table a host relies on, shared by the host torture test and the host-call fuzzer.
#pragma once

#include <cstddef>
#include <cstring>
#include <optional>

#include "frame/vst2_interface.h"

namespace hostcalls {

// What an opcode's pointer argument is, as the interface documents it.
enum class PointerKind {
    Absent,        // the opcode takes no pointer; a host passes null
    TextOut,       // the effect writes a zero-terminated text of at most size - 1 characters
    TextIn,        // the effect reads a zero-terminated text
    RecordOut,     // a record of `size` bytes the effect may fill in
    RecordIn,      // a record of `size` bytes the effect may read
    PointerOut,    // a pointer-sized slot the effect may write an address into
    Events,        // a VstEvents list
    WindowHandle,  // the host's window: an opaque handle, not a buffer
    Opaque,        // a record the effect never reads (offline tasks, patch infos, unknown opcodes)
};

struct PointerArgument {
    PointerKind kind;
    std::size_t size;  // bytes a host provides for it
};

inline PointerArgument pointerArgumentOf(VstInt32 opcode) {
    switch (opcode) {
        case effSetProgramName: return {PointerKind::TextIn, kVstMaxProgNameLen};
        case effGetProgramName: return {PointerKind::TextOut, kVstMaxProgNameLen};
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName: return {PointerKind::TextOut, kVstMaxParamStrLen};
        case effEditGetRect:
        case effGetChunk: return {PointerKind::PointerOut, sizeof(void*)};
        case effEditOpen: return {PointerKind::WindowHandle, 0};
        case effEditDraw: return {PointerKind::RecordIn, sizeof(ERect)};
        case effSetChunk: return {PointerKind::RecordIn, 256};
        case effProcessEvents: return {PointerKind::Events, 0};
        case effString2Parameter: return {PointerKind::TextIn, kVstMaxParamStrLen};
        case effGetProgramNameIndexed: return {PointerKind::TextOut, kVstMaxProgNameLen};
        case effGetInputProperties:
        case effGetOutputProperties: return {PointerKind::RecordOut, sizeof(VstPinProperties)};
        case effSetSpeakerArrangement: return {PointerKind::RecordIn, sizeof(VstSpeakerArrangement)};
        case effProcessVarIo: return {PointerKind::RecordIn, sizeof(VstVariableIo)};
        case effGetEffectName: return {PointerKind::TextOut, kVstMaxEffectNameLen};
        case effGetErrorText: return {PointerKind::TextOut, 256};
        case effGetVendorString: return {PointerKind::TextOut, kVstMaxVendorStrLen};
        case effGetProductString: return {PointerKind::TextOut, kVstMaxProductStrLen};
        case effVendorSpecific: return {PointerKind::TextOut, kVstMaxParamStrLen};
        case effCanDo: return {PointerKind::TextIn, 64};
        case effGetParameterProperties: return {PointerKind::RecordOut, sizeof(VstParameterProperties)};
        case effGetMidiProgramName:
        case effGetCurrentMidiProgram: return {PointerKind::RecordOut, sizeof(MidiProgramName)};
        case effGetMidiProgramCategory: return {PointerKind::RecordOut, sizeof(MidiProgramCategory)};
        case effGetMidiKeyName: return {PointerKind::RecordOut, sizeof(MidiKeyName)};
        case effGetSpeakerArrangement: return {PointerKind::PointerOut, sizeof(void*)};
        case effShellGetNextPlugin: return {PointerKind::TextOut, kVstMaxProductStrLen};
        case effOfflineNotify:
        case effOfflinePrepare:
        case effOfflineRun:
        case effBeginLoadBank:
        case effBeginLoadProgram: return {PointerKind::Opaque, 256};
        default:
            if (opcode > effGetNumMidiOutputChannels) return {PointerKind::Opaque, 256};
            return {PointerKind::Absent, 0};
    }
}

// Opcodes whose value argument is itself a pointer (to speaker arrangements); a host passes 0 or
// a valid one.
inline bool valueIsPointer(VstInt32 opcode) {
    return opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement;
}

inline bool isEditorOpcode(VstInt32 opcode) {
    return (opcode >= effEditGetRect && opcode <= effEditSleep) || opcode == effEditKeyDown ||
           opcode == effEditKeyUp || opcode == effSetEditKnobMode;
}

// The state of the effect that answers depend on.
struct EffectState {
    VstInt32 program = 0;
};

// Keeps the state in step with a call that was just answered.
inline void noteCall(EffectState& state, VstInt32 opcode, VstIntPtr value) {
    if (opcode == effSetProgram && value < 1) state.program = static_cast<VstInt32>(value);
}

inline bool isCapability(const char* text) {
    for (const char* capability : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo ",
                                   "plugAsChannelInsert ", "sendVstMidiEvent", "sendVstEvents"})
        if (std::strcmp(text, capability) == 0) return true;
    return false;
}

// The answer to a dispatcher call (not effClose), or empty where it depends on the editor's
// window (effEditKeyDown and effEditKeyUp answer 0 or 1). text is the text passed with
// effCanDo; hostVendorAnswer is what the host's callback answers audioMasterVendorSpecific.
inline std::optional<VstIntPtr> expectedAnswer(const EffectState& state, VstInt32 opcode, VstInt32 index,
                                               VstIntPtr value, const void* ptr, VstIntPtr hostVendorAnswer) {
    const bool hasPointer = ptr != nullptr;
    switch (opcode) {
        case effGetProgram: return state.program;
        case effEditGetRect: return hasPointer ? 1 : 0;
        case effEditOpen: return 1;
        case effIdentify: return fourCharCode("NvEf");
        case effProcessEvents:
        case effCanBeAutomated:
        case effGetNumProgramCategories:
        case effConnectInput:
        case effConnectOutput:
        case effSetBlockSizeAndSampleRate:
        case effGetTailSize:
        case effKeysRequired: return 1;
        case effGetProgramNameIndexed: return hasPointer && index <= 0 ? 1 : 0;
        case effGetPlugCategory: return kPlugCategSynth;
        case effGetEffectName:
        case effGetVendorString:
        case effGetProductString:
        case effGetMidiKeyName: return hasPointer ? 1 : 0;
        case effGetVendorVersion: return 1005;
        case effVendorSpecific:
            if (index == fourCharCode("sHi!") || index == fourCharCode("sI00") || index == fourCharCode("sV2S")) return 1;
            if (index == fourCharCode("sO00")) return 0;
            return hostVendorAnswer;
        case effCanDo: return hasPointer ? (isCapability(static_cast<const char*>(ptr)) ? 1 : -1) : 0;
        case effGetVstVersion: return kVstVersion;
        case effEditKeyDown:
        case effEditKeyUp: return std::nullopt;
        case effSetEditKnobMode: return 1;
        case effGetCurrentMidiProgram: return -1;
        case effSetTotalSampleToProcess: return static_cast<VstInt32>(value);
        default: return 0;
    }
}

// The text an opcode writes, or null where it writes none or its text depends on the index.
inline const char* expectedText(VstInt32 opcode, VstInt32 index) {
    switch (opcode) {
        case effGetProgramName:
        case effGetParamLabel: return "  ";
        case effGetParamName: return " ";
        case effGetParamDisplay: return index >= 100 && index < 196 ? nullptr : "  ";
        case effGetProgramNameIndexed: return index <= 0 ? "DefaultProgram  " : nullptr;
        case effGetEffectName:
        case effGetProductString: return "Tembro-laxis";
        case effGetVendorString: return "Brennwick";
        case effVendorSpecific: return index == fourCharCode("sV2S") ? " " : nullptr;
        default: return nullptr;
    }
}

}  // namespace hostcalls
