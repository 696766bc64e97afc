// Note scheduling and sample playback. Audio thread only: nothing here allocates, locks or throws.
//
// Each sounding slot is rendered over runs of frames, slot 0 first, so every output frame receives
// the same additions in the same order as a frame-by-frame walk would give: the result is
// bit-identical to handling one frame at a time.
#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/kv7drumedit.h"

namespace {

constexpr float clipSample(float x) {
    if (x > 1.0f) return 1.0f;
    if (x < -1.0f) return -1.0f;
    return x;
}

// Adds count samples, scaled and clipped, to the output; the loop the compiler vectorizes.
void addClipped(const float* __restrict source, float* __restrict output, int32_t count, float volume) {
    for (int32_t k = 0; k < count; ++k) output[k] += clipSample(source[k] * volume);
}

void addClippedReversed(const float* __restrict sourceEnd, float* __restrict output, int32_t count, float volume) {
    for (int32_t k = 0; k < count; ++k) output[k] += clipSample(sourceEnd[-k] * volume);
}

}  // namespace

VstInt32 Kv7DrumEdit::processEvents(VstEvents* events) {
    // Some hosts send an empty call with no list at all.
    if (!events) return 1;
    // The list runs on past the two entries the interface declares, as far as numEvents says.
    const auto* list = reinterpret_cast<VstEvent* const*>(reinterpret_cast<const char*>(events) + offsetof(VstEvents, events));
    for (VstInt32 e = 0; e < events->numEvents; ++e) {
        const VstEvent* event = list[e];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const auto status = static_cast<uint8_t>(midi->midiData[0]);
        const uint8_t kind = status & 0xF0;
        if (kind != 0x80 && kind != 0x90) continue;
        // The queue holds one block's notes; a flood beyond it is dropped.
        if (NumWaitingNotes >= kMaxWaitingNotes) continue;
        WaitingNote& note = WaitingNotes[NumWaitingNotes++];
        note.DeltaFrames = midi->deltaFrames;
        note.Note = static_cast<uint8_t>(midi->midiData[1]) & 0x7F;
        note.Velocity = kind == 0x80 ? 0 : static_cast<uint8_t>(static_cast<uint8_t>(midi->midiData[2]) & 0x7F);
        note.Channel = static_cast<uint8_t>((status + 1) & 0x0F);
    }
    return 1;
}

void Kv7DrumEdit::ProcessWaitingNote(uint8_t note, uint8_t channel, uint8_t velocity) {
    const auto slot = static_cast<uint8_t>(note - kSlotBaseNote);
    if (slot > kNumSlots - 1 || channel != 1) return;
    NoteHeld[slot] = velocity > 0;
    if (velocity > 0) {
        setParameter(kParamTrigger, static_cast<float>(slot));
    } else if (PlayMode[slot].load(std::memory_order_relaxed) == PlayModeGate) {
        IsPlaying[slot] = false;
    }
}

void Kv7DrumEdit::triggerSlot(int32_t slot) {
    const int32_t length = BufferLength[slot].load(std::memory_order_relaxed);
    // A slot shorter than two samples has nothing to play forward and no start to play backward
    // from; one whose sound is being rewritten must not be read.
    if (length < 2 || (slotsExcludedThisBlock & slotBit(slot))) {
        IsPlaying[slot] = false;
        return;
    }
    IsPlaying[slot] = true;
    PlayPosition[slot] = 0.0;
    const int32_t pitch = Pitch[slot].load(std::memory_order_relaxed);
    double increment;
    if (pitch >= 0) {
        increment = static_cast<double>(std::pow(2.0f, static_cast<float>(pitch * 0.08333333333)));
    } else {
        increment = static_cast<double>(1.0f / std::pow(2.0f, static_cast<float>(pitch * -0.08333333333)));
    }
    if (Reverse[slot].load(std::memory_order_relaxed)) {
        PlayPosition[slot] = static_cast<double>(length - 2);
        increment = -increment;
    }
    PlayIncrement[slot] = increment;
}

void Kv7DrumEdit::EndOfSampCycle(int32_t slot) {
    const int32_t length = BufferLength[slot].load(std::memory_order_relaxed);
    if (PlayMode[slot].load(std::memory_order_relaxed) > PlayModeOneShot && NoteHeld[slot] && length >= 2) {
        PlayPosition[slot] = Reverse[slot].load(std::memory_order_relaxed) ? static_cast<double>(length - 2) : 0.0;
    } else {
        IsPlaying[slot] = false;
    }
}

void Kv7DrumEdit::applyVoiceRequests() {
    for (int32_t slot = 0; slot < kNumSlots; ++slot)
        if (slotsExcludedThisBlock & slotBit(slot)) IsPlaying[slot] = false;
    if (slotsWithRequests.load(std::memory_order_relaxed) == 0) return;
    uint32_t pending = slotsWithRequests.exchange(0, std::memory_order_acquire);
    while (pending) {
        const int32_t slot = __builtin_ctz(pending);
        pending &= pending - 1;
        const auto request = voiceRequest[slot].exchange(kNoRequest, std::memory_order_relaxed);
        if (request == kTriggerRequest) {
            triggerSlot(slot);
        } else if (request == kStopRequest) {
            IsPlaying[slot] = false;
            PlayPosition[slot] = 0.0;
        }
    }
}

// Renders one sounding slot over a run of frames in which no note takes effect. Returns how many
// leading frames of the run it sounded in (a slot sounds from the run's start until it stops).
int32_t Kv7DrumEdit::renderSlot(int32_t slot, float* right, int32_t frames) {
    const float* samples = SampleBuffer[slot];
    const float volume = Volume[slot].load(std::memory_order_relaxed);
    const int32_t length = BufferLength[slot].load(std::memory_order_relaxed);
    const double lastStart = static_cast<double>(length - 1);
    double position = PlayPosition[slot];
    const double increment = PlayIncrement[slot];

    int32_t f = 0;
    while (f < frames) {
        const auto index = static_cast<int32_t>(position);
        const bool wholeStep = static_cast<double>(index) == position;
        if (wholeStep && increment == 1.0) {
            // Pitch 0 forward: a contiguous run ending after index length - 2 has been read.
            const int32_t untilEnd = std::max(0, length - 2 - index) + 1;
            const int32_t count = std::min(frames - f, untilEnd);
            addClipped(samples + index, right + f, count, volume);
            position += count;
            f += count;
            if (count < untilEnd) break;
        } else if (wholeStep && increment == -1.0 && index < length) {
            // Pitch 0 reversed: runs down to index 0.
            const int32_t untilEnd = index + 1;
            const int32_t count = std::min(frames - f, untilEnd);
            addClippedReversed(samples + index, right + f, count, volume);
            position -= count;
            f += count;
            if (count < untilEnd) break;
        } else {
            const float x = samples[index];
            position += increment;
            right[f++] += clipSample(x * volume);
            if (!(position < 0.0 || position >= lastStart)) continue;
        }
        PlayPosition[slot] = position;
        EndOfSampCycle(slot);
        if (!IsPlaying[slot]) return f;
        position = PlayPosition[slot];
    }
    PlayPosition[slot] = position;
    return f;
}

namespace {

// The frames in which at least one slot sounded, as runs [begin, end). Runs that start inside the
// covered prefix [0, prefix) extend it; the others are kept apart. Overlaps among them only cost
// a repeated copy, since the copy they lead to is the same.
class SoundedFrames {
public:
    void add(int32_t begin, int32_t end) {
        if (begin >= end) return;
        if (begin <= prefix) {
            prefix = std::max(prefix, end);
        } else {
            runs[count][0] = begin;
            runs[count][1] = end;
            ++count;
        }
    }
    // In a frame where any slot sounds, the left output carries the right one.
    void copyRightToLeft(const float* right, float* left) const {
        std::memcpy(left, right, sizeof(float) * static_cast<std::size_t>(prefix));
        for (int32_t r = 0; r < count; ++r) {
            const int32_t begin = std::max(runs[r][0], prefix);
            if (runs[r][1] > begin) std::memcpy(left + begin, right + begin, sizeof(float) * (runs[r][1] - begin));
        }
    }

private:
    int32_t prefix = 0;
    int32_t count = 0;
    // A slot adds one run per note it receives plus one: at most every slot's and every note's.
    int32_t runs[kNumSlots + kMaxWaitingNotes][2];
};

}  // namespace

// Each slot is rendered over the whole block, slot 0 first, split only at the frames of its own
// notes: a note changes nothing but its own slot. Every output frame so receives the same
// additions in the same order as a frame-by-frame walk gives, and the result is bit-identical.
void Kv7DrumEdit::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) noexcept {
    renderThread.store(static_cast<unsigned long>(pthread_self()), std::memory_order_relaxed);
    slotsBeingRead.store(kAllSlotsMask, std::memory_order_seq_cst);
    slotsExcludedThisBlock = slotsBeingWritten.load(std::memory_order_seq_cst);
    applyVoiceRequests();

    // A host without output buffers gets nothing rendered; voices wait for the next real call.
    const bool haveOutputs = outputs && outputs[0] && outputs[1];
    if (sampleFrames > 0 && haveOutputs) {
        float* left = outputs[0];
        float* right = outputs[1];
        const auto frames = static_cast<std::size_t>(sampleFrames);
        // memmove: hosts may hand the same buffer in and out.
        if (inputs && inputs[0])
            std::memmove(left, inputs[0], sizeof(float) * frames);
        else
            std::memset(left, 0, sizeof(float) * frames);
        if (inputs && inputs[1])
            std::memmove(right, inputs[1], sizeof(float) * frames);
        else
            std::memset(right, 0, sizeof(float) * frames);

        // The notes due in this block that play a slot, grouped by slot; within a slot in frame
        // order and, within a frame, in arrival order. Other notes change nothing.
        uint8_t bySlot[kMaxWaitingNotes];
        uint8_t slotEnd[kNumSlots] = {};
        if (NumWaitingNotes > 0) {
            uint8_t slotOf[kMaxWaitingNotes];
            for (int32_t q = 0; q < NumWaitingNotes; ++q) {
                const WaitingNote& note = WaitingNotes[q];
                const auto slot = static_cast<uint8_t>(note.Note - kSlotBaseNote);
                const bool plays = note.DeltaFrames >= 0 && note.DeltaFrames < sampleFrames && note.Channel == 1 &&
                                   slot <= kNumSlots - 1;
                slotOf[q] = plays ? slot : kNumSlots;
                if (plays) ++slotEnd[slot];
            }
            for (int32_t slot = 1; slot < kNumSlots; ++slot) slotEnd[slot] += slotEnd[slot - 1];
            uint8_t fill[kNumSlots];
            fill[0] = 0;
            for (int32_t slot = 1; slot < kNumSlots; ++slot) fill[slot] = slotEnd[slot - 1];
            for (int32_t q = 0; q < NumWaitingNotes; ++q) {
                if (slotOf[q] == kNumSlots) continue;
                const int64_t frame = WaitingNotes[q].DeltaFrames;
                const int32_t first = slotOf[q] == 0 ? 0 : slotEnd[slotOf[q] - 1];
                int32_t at = fill[slotOf[q]]++;
                while (at > first && WaitingNotes[bySlot[at - 1]].DeltaFrames > frame) {
                    bySlot[at] = bySlot[at - 1];
                    --at;
                }
                bySlot[at] = static_cast<uint8_t>(q);
            }
        }

        SoundedFrames sounded;
        int32_t next = 0;
        for (int32_t slot = 0; slot < kNumSlots; ++slot) {
            int32_t frame = 0;
            for (; next < slotEnd[slot]; ++next) {
                const WaitingNote& note = WaitingNotes[bySlot[next]];
                const auto at = static_cast<int32_t>(note.DeltaFrames);
                if (IsPlaying[slot] && at > frame) sounded.add(frame, frame + renderSlot(slot, right + frame, at - frame));
                frame = at;
                ProcessWaitingNote(note.Note, note.Channel, note.Velocity);
            }
            if (IsPlaying[slot])
                sounded.add(frame, frame + renderSlot(slot, right + frame, sampleFrames - frame));
        }
        sounded.copyRightToLeft(right, left);
    }

    NumWaitingNotes = 0;
    slotsBeingRead.store(0, std::memory_order_release);
    renderThread.store(0, std::memory_order_relaxed);
}
