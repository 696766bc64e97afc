// What the plug-in answers to each dispatcher opcode, and how large a buffer each pointer argument
// is: the table a host relies on, shared by the host tests and the host-call fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "frame/vst2_interface.h"

namespace hostcalls {

// What an opcode's pointer argument is, as the interface documents it: none (a host passes null),
// a text the effect writes (at most size - 1 characters) or reads, a record of size bytes it fills
// in or reads, a slot it writes an address into, an event list, the host's window (a handle, not a
// buffer), or a record it never reads (offline tasks, patch infos, unknown opcodes).
enum class PointerKind { Absent, TextOut, TextIn, RecordOut, RecordIn, PointerOut, Events, WindowHandle, Opaque };

struct PointerArgument {
    PointerKind kind;
    std::size_t size;  // bytes a host provides for it
};

inline PointerArgument pointerArgumentOf(VstInt32 opcode) {
    using K = PointerKind;
    switch (opcode) {
        case effSetProgramName: return {K::TextIn, kVstMaxProgNameLen};
        case effGetProgramName: case effGetProgramNameIndexed: return {K::TextOut, kVstMaxProgNameLen};
        case effGetParamLabel: case effGetParamDisplay: case effGetParamName: return {K::TextOut, kVstMaxParamStrLen};
        case effVendorSpecific: return {K::TextOut, kVstMaxParamStrLen};
        case effEditGetRect: case effGetChunk: case effGetSpeakerArrangement: return {K::PointerOut, sizeof(void*)};
        case effEditOpen: return {K::WindowHandle, 0};
        case effEditDraw: return {K::RecordIn, sizeof(ERect)};
        case effSetChunk: return {K::RecordIn, 256};
        case effProcessEvents: return {K::Events, 0};
        case effString2Parameter: return {K::TextIn, kVstMaxParamStrLen};
        case effCanDo: return {K::TextIn, 64};
        case effGetInputProperties: case effGetOutputProperties: return {K::RecordOut, sizeof(VstPinProperties)};
        case effSetSpeakerArrangement: return {K::RecordIn, sizeof(VstSpeakerArrangement)};
        case effProcessVarIo: return {K::RecordIn, sizeof(VstVariableIo)};
        case effGetEffectName: return {K::TextOut, kVstMaxEffectNameLen};
        case effGetErrorText: return {K::TextOut, 256};
        case effGetVendorString: return {K::TextOut, kVstMaxVendorStrLen};
        case effGetProductString: case effShellGetNextPlugin: return {K::TextOut, kVstMaxProductStrLen};
        case effGetParameterProperties: return {K::RecordOut, sizeof(VstParameterProperties)};
        case effGetMidiProgramName: case effGetCurrentMidiProgram: return {K::RecordOut, sizeof(MidiProgramName)};
        case effGetMidiProgramCategory: return {K::RecordOut, sizeof(MidiProgramCategory)};
        case effGetMidiKeyName: return {K::RecordOut, sizeof(MidiKeyName)};
        default:
            if (opcode >= effOfflineNotify && (opcode <= effOfflineRun || opcode == effBeginLoadBank ||
                                               opcode == effBeginLoadProgram || opcode > effGetNumMidiOutputChannels))
                return {K::Opaque, 256};
            return {K::Absent, 0};
    }
}

// Opcodes whose value is itself a pointer (to speaker arrangements); a host passes 0 or a valid one.
inline bool valueIsPointer(VstInt32 opcode) { return opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement; }

// The state of the effect that answers depend on, kept in step with each call answered.
struct EffectState {
    VstInt32 program = 0;
    void noteCall(VstInt32 opcode, VstIntPtr value) {
        if (opcode == effSetProgram && value < 1) program = static_cast<VstInt32>(value);
    }
};

inline bool isCapability(const char* text) {
    for (const char* capability : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo ", "plugAsChannelInsert ",
                                   "sendVstMidiEvent", "sendVstEvents"})
        if (std::strcmp(text, capability) == 0) return true;
    return false;
}

// The answer to a dispatcher call (not effClose), or empty where it depends on the editor's window
// (effEditKeyDown and effEditKeyUp answer 0 or 1); hostVendorAnswer is what the host's callback
// answers audioMasterVendorSpecific.
inline std::optional<VstIntPtr> expectedAnswer(const EffectState& state, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                               const void* ptr, VstIntPtr hostVendorAnswer) {
    switch (opcode) {
        case effGetProgram: return state.program;
        case effEditOpen: case effProcessEvents: case effCanBeAutomated: case effGetNumProgramCategories: case effConnectInput:
        case effConnectOutput: case effSetBlockSizeAndSampleRate: case effGetTailSize: case effKeysRequired: case effSetEditKnobMode:
            return 1;
        case effEditGetRect: case effGetEffectName: case effGetVendorString: case effGetProductString: case effGetMidiKeyName:
            return ptr != nullptr;
        case effGetProgramNameIndexed: return ptr && index <= 0;
        case effIdentify: return fourCharCode("NvEf");
        case effGetPlugCategory: return kPlugCategSynth;
        case effGetVendorVersion: return 1005;
        case effVendorSpecific:
            if (index == fourCharCode("sHi!") || index == fourCharCode("sI00") || index == fourCharCode("sV2S")) return 1;
            return index == fourCharCode("sO00") ? 0 : hostVendorAnswer;
        case effCanDo: return ptr ? (isCapability(static_cast<const char*>(ptr)) ? 1 : -1) : 0;
        case effGetVstVersion: return kVstVersion;
        case effEditKeyDown: case effEditKeyUp: return std::nullopt;
        case effGetCurrentMidiProgram: return -1;
        case effSetTotalSampleToProcess: return static_cast<VstInt32>(value);
        default: return 0;
    }
}

// The text an opcode writes, or null where it writes none or its text depends on the index.
inline const char* expectedText(VstInt32 opcode, VstInt32 index) {
    switch (opcode) {
        case effGetProgramName: case effGetParamLabel: return "  ";
        case effGetParamName: return " ";
        case effGetParamDisplay: return index >= 100 && index < 196 ? nullptr : "  ";
        case effGetProgramNameIndexed: return index <= 0 ? "DefaultProgram  " : nullptr;
        case effGetEffectName: case effGetProductString: return "Tembro-laxis";
        case effGetVendorString: return "Brennwick";
        case effVendorSpecific: return index == fourCharCode("sV2S") ? " " : nullptr;
        default: return nullptr;
    }
}

// Sets the bytes of a pointer argument's block before the call.
using BlockFill = std::function<void(unsigned char* block, std::size_t size, PointerKind kind)>;

// One dispatcher call (not effClose) as a host makes it, checked against the table: the pointer is
// null, the events or a window handle for those kinds, or a fresh heap block of exactly the
// documented size (AddressSanitizer catches a write past it); a value that is a pointer is null or
// a valid one. Returns what went wrong, or nothing.
inline std::string checkedCall(AEffect* effect, EffectState& state, VstInt32 opcode, VstInt32 index, VstIntPtr value, bool withPointer,
                               float opt, const BlockFill& fill, VstEvents* events, VstIntPtr hostVendorAnswer) {
    const PointerArgument argument = pointerArgumentOf(opcode);
    std::unique_ptr<unsigned char[]> block;
    void* ptr = nullptr;
    if (withPointer && argument.kind == PointerKind::Events) {
        ptr = events;
    } else if (withPointer && argument.kind == PointerKind::WindowHandle) {
        ptr = reinterpret_cast<void*>(uintptr_t{0x1234567});
    } else if (withPointer && argument.size > 0) {
        block = std::make_unique<unsigned char[]>(argument.size);
        std::memset(block.get(), 0, argument.size);
        fill(block.get(), argument.size, argument.kind);
        if (argument.kind == PointerKind::TextIn) block[argument.size - 1] = 0;
        ptr = block.get();
    }
    VstSpeakerArrangement arrangement{};
    VstSpeakerArrangement* arrangementSlot = &arrangement;
    if (valueIsPointer(opcode))
        value = !withPointer ? 0 : reinterpret_cast<VstIntPtr>(opcode == effGetSpeakerArrangement ? static_cast<void*>(&arrangementSlot) : &arrangement);
    const VstIntPtr answer = effect->dispatcher(effect, opcode, index, value, ptr, opt);
    const std::optional<VstIntPtr> expected = expectedAnswer(state, opcode, index, value, ptr, hostVendorAnswer);
    state.noteCall(opcode, value);
    const std::string where = " (opcode " + std::to_string(opcode) + ", index " + std::to_string(index) + ", value " + std::to_string(value) + ")";
    if (expected ? answer != *expected : answer != 0 && answer != 1) return "answered " + std::to_string(answer) + where;
    const bool wroteText = opcode <= effGetParamName || (opcode == effVendorSpecific ? index == fourCharCode("sV2S") : answer == 1);
    if (block && argument.kind == PointerKind::TextOut && wroteText) {
        const auto* text = reinterpret_cast<const char*>(block.get());
        if (!std::memchr(text, 0, argument.size)) return "a text not terminated within its buffer" + where;
        if (expectedText(opcode, index) && std::strcmp(text, expectedText(opcode, index)) != 0) return "wrote \"" + std::string(text) + "\"" + where;
    }
    ERect* rect = nullptr;
    if (opcode == effEditGetRect && ptr) std::memcpy(&rect, ptr, sizeof rect);
    if (opcode == effEditGetRect && ptr && !(rect && rect->top == 0 && rect->left == 0 && rect->right == 440 && rect->bottom == 756))
        return "a wrong editor rectangle" + where;
    if (opcode == effGetSpeakerArrangement && withPointer && arrangementSlot != nullptr) return "a speaker arrangement" + where;
    return {};
}

}  // namespace hostcalls
