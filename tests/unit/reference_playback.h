// A plain frame-by-frame rendition of the playback rules, kept in the tests as the yardstick for
// the engine's segmented renderer: both must produce the same bits.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/kit_constants.h"

struct ReferencePlayback {
    struct Slot {
        std::vector<float> samples = std::vector<float>(MAX_BUFFERLENGTH, 0.0f);
        int32_t length = 0, pitch = 0, playMode = PlayModeOneShot;
        bool reverse = false, playing = false, held = false;
        float volume = 1.0f;
        double position = 0.0, increment = 1.0;
    } slots[kNumSlots];
    struct Note {
        int64_t frame;
        uint8_t note, velocity, channel;
    };
    std::vector<Note> queue;

    void queueMidi(int32_t deltaFrames, uint8_t status, uint8_t note, uint8_t velocity) {
        const uint8_t kind = status & 0xF0;
        if ((kind != 0x80 && kind != 0x90) || queue.size() >= kMaxWaitingNotes) return;
        queue.push_back({deltaFrames, static_cast<uint8_t>(note & 0x7F), static_cast<uint8_t>(kind == 0x80 ? 0 : velocity & 0x7F),
                         static_cast<uint8_t>((status + 1) & 0x0F)});
    }

    void trigger(Slot& slot) {
        slot.playing = slot.length >= 2;  // the engine keeps shorter slots silent
        slot.position = slot.reverse ? slot.length - 2 : 0.0;
        const float octaves = static_cast<float>(std::abs(slot.pitch) * 0.08333333333);
        slot.increment = static_cast<double>(slot.pitch >= 0 ? std::pow(2.0f, octaves) : 1.0f / std::pow(2.0f, octaves));
        if (slot.reverse) slot.increment = -slot.increment;
    }

    void render(const float* inLeft, const float* inRight, float* left, float* right, int32_t frames) {
        for (int32_t f = 0; f < frames; ++f) {
            left[f] = inLeft[f];
            right[f] = inRight[f];
            for (Note& note : queue) {
                if (note.frame != f) continue;
                note.frame = -1;
                const auto s = static_cast<uint8_t>(note.note - kSlotBaseNote);
                if (s > kNumSlots - 1 || note.channel != 1) continue;
                slots[s].held = note.velocity > 0;
                if (note.velocity > 0)
                    trigger(slots[s]);
                else if (slots[s].playMode == PlayModeGate)
                    slots[s].playing = false;
            }
            for (Slot& slot : slots) {
                if (!slot.playing) continue;
                const float x = slot.samples[static_cast<size_t>(static_cast<int32_t>(slot.position))] * slot.volume;
                slot.position += slot.increment;
                if (slot.position < 0.0 || static_cast<int32_t>(slot.position) >= slot.length - 1) {
                    if (slot.playMode > 1 && slot.held)
                        slot.position = slot.reverse ? slot.length - 2 : 0.0;
                    else
                        slot.playing = false;
                }
                right[f] += x > 1.0f ? 1.0f : x < -1.0f ? -1.0f : x;
                left[f] = right[f];
            }
        }
        queue.clear();
    }
};
