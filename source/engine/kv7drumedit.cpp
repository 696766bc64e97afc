#include "engine/kv7drumedit.h"

#include <pthread.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

void* Kv7DrumEdit::operator new(std::size_t size) {
    if (void* memory = std::calloc(1, size)) return memory;
    throw std::bad_alloc();
}

void* Kv7DrumEdit::operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::calloc(1, size); }

void Kv7DrumEdit::operator delete(void* memory) noexcept { std::free(memory); }

void Kv7DrumEdit::operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

Kv7DrumEdit::Kv7DrumEdit(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 1, 1) {
    setNumInputs(2);
    setNumOutputs(2);
    canProcessReplacing(true);
    isSynth(true);
    setUniqueID(fourCharCode("Tbkx"));

    // SampleBuffer is left alone: the allocator hands it over as zero pages (see operator new).
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        BufferLength[slot].store(0, std::memory_order_relaxed);
        PlayPosition[slot] = 0.0;
        IsPlaying[slot] = false;
        Pitch[slot].store(0, std::memory_order_relaxed);
        PlayMode[slot].store(PlayModeOneShot, std::memory_order_relaxed);
        Reverse[slot].store(false, std::memory_order_relaxed);
        Volume[slot].store(1.0f, std::memory_order_relaxed);
        PlayIncrement[slot] = 1.0;
        NoteHeld[slot] = false;
        voiceRequest[slot].store(kNoRequest, std::memory_order_relaxed);
        sampleExtent[slot] = 0;
    }
    NumWaitingNotes = 0;
    resume();
}

void Kv7DrumEdit::postVoiceRequest(int32_t slot, VoiceRequest request) {
    voiceRequest[slot].store(request, std::memory_order_relaxed);
    slotsWithRequests.fetch_or(slotBit(slot), std::memory_order_release);
}

void Kv7DrumEdit::stopSlot(int32_t slot) {
    if (isSlot(slot)) postVoiceRequest(slot, kStopRequest);
}

bool Kv7DrumEdit::onRenderThread() const {
    return renderThread.load(std::memory_order_relaxed) == static_cast<unsigned long>(pthread_self());
}

SlotWriteAccess::SlotWriteAccess(Kv7DrumEdit& owner, uint32_t slotMask) : effect(owner), mask(slotMask & kAllSlotsMask) {
    for (int32_t slot = 0; slot < kNumSlots; ++slot)
        if (mask & slotBit(slot)) effect.postVoiceRequest(slot, Kv7DrumEdit::kStopRequest);
    effect.slotsBeingWritten.fetch_or(mask, std::memory_order_seq_cst);
    // The renderer marks every slot as read for the length of one block; once that block ends it
    // sees our mark and leaves these slots alone until we are done.
    while (effect.slotsBeingRead.load(std::memory_order_seq_cst) & mask) std::this_thread::yield();
}

SlotWriteAccess::~SlotWriteAccess() { effect.slotsBeingWritten.fetch_and(~mask, std::memory_order_release); }

float* SlotWriteAccess::buffer(int32_t slot) { return leadingSamples(slot, MAX_BUFFERLENGTH); }

float* SlotWriteAccess::leadingSamples(int32_t slot, int32_t count) {
    effect.sampleExtent[slot] = std::max(effect.sampleExtent[slot], std::min(count, MAX_BUFFERLENGTH));
    return effect.SampleBuffer[slot];
}

void SlotWriteAccess::clearFrom(int32_t slot, int32_t index) {
    index = std::max(index, 0);
    int32_t& extent = effect.sampleExtent[slot];
    if (index >= extent) return;
    std::memset(effect.SampleBuffer[slot] + index, 0, sizeof(float) * static_cast<std::size_t>(extent - index));
    extent = index;
}
