// The drum kit engine: the kit store (24 slots of sound and settings), note scheduling and
// playback, the parameter space and the answers to the host's queries.
//
// Two threads share the kit store without locks:
//  - the audio thread runs processEvents and processReplacing and is the only writer of the voice
//    state (PlayPosition, IsPlaying, PlayIncrement, NoteHeld) and the waiting-note queue;
//  - the user-interface thread loads, erases, exchanges and imports sounds. It writes sample memory
//    only inside a SlotWriteAccess, which keeps the audio thread away from those slots, and it
//    starts or stops voices only by posting requests the audio thread carries out at its next block.
// The settings (Pitch, PlayMode, Reverse, Volume) and BufferLength are atomics read once where used.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>

#include "engine/kit_constants.h"
#include "frame/audioeffectx.h"

struct WaitingNote {
    int64_t DeltaFrames;  // frame of the current block, -1 once handled
    uint8_t Note;
    uint8_t Velocity;  // 0 for a note-off
    uint8_t Channel;   // (status + 1) & 15: 1 is MIDI channel 1
};

class Kv7DrumEdit;

// Exclusive write access to the sample memory of a set of slots, for the user-interface thread.
// While it lives the audio thread neither reads nor starts those slots, and a slot that was sounding
// is stopped: a rewritten sound never continues from a stale position.
class SlotWriteAccess {
public:
    SlotWriteAccess(Kv7DrumEdit& effect, uint32_t slotMask);
    ~SlotWriteAccess();
    SlotWriteAccess(const SlotWriteAccess&) = delete;
    SlotWriteAccess& operator=(const SlotWriteAccess&) = delete;

    // The slot's whole buffer of MAX_BUFFERLENGTH samples; the slot must be in the mask.
    float* buffer(int32_t slot);
    // The same buffer, for a writer that writes none of its samples from index count on.
    float* leadingSamples(int32_t slot, int32_t count);
    // Sets the slot's samples from index on to 0.0. Only those that may not be 0.0 yet are written:
    // a fresh slot is untouched zero pages, and clearing them would make them resident.
    void clearFrom(int32_t slot, int32_t index);

private:
    Kv7DrumEdit& effect;
    uint32_t mask;
};

class Kv7DrumEdit : public AudioEffectX {
public:
    explicit Kv7DrumEdit(audioMasterCallback audioMaster);
    ~Kv7DrumEdit() override = default;

    // The object carries 50 MB of sample memory. It comes from calloc, whose large blocks are fresh
    // zero pages from the system: untouched slots cost no resident memory, and the store reads as
    // zero without the constructor writing it.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* memory) noexcept;
    static void operator delete(void* memory, const std::nothrow_t&) noexcept;

    // Audio thread.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) noexcept override;
    VstInt32 processEvents(VstEvents* events) override;
    void suspend() override {}
    void resume() override {}

    // Any thread; index 3 triggers a slot (on the audio thread at once inside processing, from other
    // threads at the start of the next block).
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;

    // User-interface thread: asks the audio thread to silence a slot before its next block.
    void stopSlot(int32_t slot);

    // Host queries (user-interface thread).
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 getNumMidiInputChannels() override;
    VstInt32 getNumMidiOutputChannels() override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstIntPtr vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg) override;
    VstInt32 canDo(char* text) override;
    VstPlugCategory getPlugCategory() override;
    bool getMidiKeyName(VstInt32 channel, MidiKeyName* keyName) override;

    // Describes outputs 0 and 1. Its 64-bit index keeps it apart from getOutputProperties, which the
    // host's effGetOutputProperties reaches and which stays the base's "no description".
    using AudioEffectX::getOutputProperties;
    virtual bool getOutputProperties(VstInt64 index, VstPinProperties* properties);

    // The kit store. SampleBuffer is read freely on the user-interface thread and written there only
    // through a SlotWriteAccess.
    float SampleBuffer[kNumSlots][MAX_BUFFERLENGTH];
    std::atomic<int32_t> BufferLength[kNumSlots];
    double PlayPosition[kNumSlots];  // audio thread
    bool IsPlaying[kNumSlots];       // audio thread
    std::atomic<int32_t> Pitch[kNumSlots];
    std::atomic<int32_t> PlayMode[kNumSlots];
    std::atomic<bool> Reverse[kNumSlots];
    std::atomic<float> Volume[kNumSlots];
    double PlayIncrement[kNumSlots];  // audio thread
    bool NoteHeld[kNumSlots];         // audio thread
    WaitingNote WaitingNotes[kMaxWaitingNotes];
    uint8_t NumWaitingNotes = 0;

protected:
    // Audio thread, inside processReplacing.
    void ProcessWaitingNote(uint8_t note, uint8_t channel, uint8_t velocity);
    void EndOfSampCycle(int32_t slot);
    void triggerSlot(int32_t slot);

private:
    friend class SlotWriteAccess;

    enum VoiceRequest : uint8_t { kNoRequest = 0, kTriggerRequest, kStopRequest };

    void postVoiceRequest(int32_t slot, VoiceRequest request);
    void applyVoiceRequests();
    int32_t renderSlot(int32_t slot, float* right, int32_t frames);
    bool onRenderThread() const;

    std::atomic<uint8_t> voiceRequest[kNumSlots];
    std::atomic<uint32_t> slotsWithRequests{0};
    // Handshake between sample writers and the renderer: each sets its own mask, then reads the
    // other's, so at least one of them sees the conflict.
    std::atomic<uint32_t> slotsBeingRead{0};
    std::atomic<uint32_t> slotsBeingWritten{0};
    uint32_t slotsExcludedThisBlock = 0;  // audio thread
    // Per slot, the index from which every sample is known to be 0.0; kept by SlotWriteAccess.
    int32_t sampleExtent[kNumSlots];
    std::atomic<unsigned long> renderThread{0};
};
