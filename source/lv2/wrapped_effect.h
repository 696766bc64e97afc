// One effect hosted the way a VST host hosts it: made through VSTPluginMain, driven through its
// dispatcher, processEvents and processReplacing, and answered through a host callback. The LV2
// face translates LV2's calls into these and has no engine of its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/kit_constants.h"
#include "frame/vst2_interface.h"

class Kv7DrumEditEdit;

class WrappedEffect {
public:
    // Instantiation thread. ok() tells whether the entry point gave an effect.
    WrappedEffect();
    ~WrappedEffect();  // stops processing, then closes the effect
    WrappedEffect(const WrappedEffect&) = delete;
    WrappedEffect& operator=(const WrappedEffect&) = delete;

    bool ok() const { return aeffect != nullptr; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    // The object behind the AEffect record: its kit store and the window's slot names.
    Kv7DrumEditEdit& effect() const;

    // Instantiation thread: tells the rate and the largest block, then resumes (and suspends).
    void start(double sampleRate, int32_t maxBlockLength);
    void stop();

    // Audio thread. A MIDI message of 1 to 3 bytes at a frame of the block being built; false when
    // the list is full (the caller renders up to that frame first).
    bool addMidi(int32_t frame, const uint8_t* bytes, uint32_t size) noexcept;
    // Audio thread: processEvents with the messages added since the last call, frames relative to
    // the first frame given here, then processReplacing.
    void process(const float* const inputs[2], float* const outputs[2], int32_t frames) noexcept;

private:
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt);

    // The engine takes up to kMaxWaitingNotes notes a block; a longer list is rendered in parts.
    static constexpr std::size_t kCapacity = kMaxWaitingNotes;
    struct EventLayout {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[kCapacity];
    };
    static_assert(offsetof(EventLayout, events) == offsetof(VstEvents, events));

    AEffect* aeffect = nullptr;
    double rate = 44100.0;
    int32_t maxBlock = 4096;
    bool running = false;
    EventLayout list{};
    std::array<VstMidiEvent, kCapacity> midi{};
};
