#include "lv2/wrapped_effect.h"

#include <cstring>

#include "engine/kv7drumeditedit.h"
#include "frame/audioeffect.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

WrappedEffect::WrappedEffect() {
    for (std::size_t i = 0; i < kCapacity; ++i) list.events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    aeffect = VSTPluginMain(&WrappedEffect::callback);
    if (!aeffect) return;
    aeffect->user = this;
    dispatch(effOpen);
}

WrappedEffect::~WrappedEffect() {
    if (!aeffect) return;
    stop();
    dispatch(effClose);  // destroys the effect
}

VstIntPtr WrappedEffect::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return aeffect->dispatcher(aeffect, opcode, index, value, ptr, opt);
}

Kv7DrumEditEdit& WrappedEffect::effect() const {
    return *static_cast<Kv7DrumEditEdit*>(static_cast<AudioEffect*>(aeffect->object));
}

void WrappedEffect::start(double sampleRate, int32_t maxBlockLength) {
    if (running) return;
    rate = sampleRate;
    maxBlock = maxBlockLength;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    dispatch(effSetBlockSize, 0, maxBlock);
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    running = true;
}

void WrappedEffect::stop() {
    if (!running) return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    running = false;
}

bool WrappedEffect::addMidi(int32_t frame, const uint8_t* bytes, uint32_t size) noexcept {
    if (static_cast<std::size_t>(list.numEvents) == kCapacity) return false;
    VstMidiEvent& event = midi[static_cast<std::size_t>(list.numEvents++)];
    event = VstMidiEvent{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = frame;
    std::memcpy(event.midiData, bytes, size < 3 ? size : 3);
    return true;
}

void WrappedEffect::process(const float* const inputs[2], float* const outputs[2], int32_t frames) noexcept {
    if (list.numEvents > 0) {
        dispatch(effProcessEvents, 0, 0, &list);
        list.numEvents = 0;
    }
    // processReplacing reads its inputs and writes its outputs through the same pointer type.
    float* in[2] = {const_cast<float*>(inputs[0]), const_cast<float*>(inputs[1])};
    float* out[2] = {outputs[0], outputs[1]};
    aeffect->processReplacing(aeffect, in, out, frames);
}

VstIntPtr WrappedEffect::callback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    if (opcode == audioMasterVersion) return kVstVersion;
    const auto* host = effect ? static_cast<const WrappedEffect*>(effect->user) : nullptr;
    if (!host) return 0;
    switch (opcode) {
        case audioMasterCurrentId:
            return effect->uniqueID;
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(host->rate);
        case audioMasterGetBlockSize:
            return host->maxBlock;
        case audioMasterGetProductString:
            if (ptr) std::strncpy(static_cast<char*>(ptr), "Tembro-laxis LV2", kVstMaxProductStrLen);
            return ptr ? 1 : 0;
        default:
            // Everything else a VST host may decline: no time info, no resizing, no automation.
            return 0;
    }
}
