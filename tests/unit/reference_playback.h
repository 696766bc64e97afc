// A plain frame-by-frame rendition of the playback rules, kept in the tests as the yardstick for
// the engine's segmented renderer: both must produce the same bits.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/kit_constants.h"

struct ReferenceSlot {
    std::vector<float> samples = std::vector<float>(MAX_BUFFERLENGTH, 0.0f);
    int32_t length = 0;
    int32_t pitch = 0;
    int32_t playMode = PlayModeOneShot;
    bool reverse = false;
    float volume = 1.0f;
    double position = 0.0;
    double increment = 1.0;
    bool playing = false;
    bool held = false;
};

struct ReferenceNote {
    int64_t frame;
    uint8_t note, velocity, channel;
};

class ReferencePlayback {
public:
    ReferenceSlot slots[kNumSlots];
    std::vector<ReferenceNote> queue;

    void queueMidi(int32_t deltaFrames, uint8_t status, uint8_t note, uint8_t velocity) {
        const uint8_t kind = status & 0xF0;
        if ((kind != 0x80 && kind != 0x90) || queue.size() >= kMaxWaitingNotes) return;
        queue.push_back({deltaFrames, static_cast<uint8_t>(note & 0x7F),
                         static_cast<uint8_t>(kind == 0x80 ? 0 : velocity & 0x7F),
                         static_cast<uint8_t>((status + 1) & 0x0F)});
    }

    void trigger(int32_t s) {
        ReferenceSlot& slot = slots[s];
        if (slot.length < 2) {  // the engine keeps such slots silent
            slot.playing = false;
            return;
        }
        slot.playing = true;
        slot.position = 0.0;
        if (slot.pitch >= 0)
            slot.increment = static_cast<double>(std::pow(2.0f, static_cast<float>(slot.pitch * 0.08333333333)));
        else
            slot.increment =
                static_cast<double>(1.0f / std::pow(2.0f, static_cast<float>(slot.pitch * -0.08333333333)));
        if (slot.reverse) {
            slot.position = slot.length - 2;
            slot.increment = -slot.increment;
        }
    }

    void render(const float* inLeft, const float* inRight, float* left, float* right, int32_t frames) {
        for (int32_t f = 0; f < frames; ++f) {
            left[f] = inLeft[f];
            right[f] = inRight[f];
            for (ReferenceNote& note : queue) {
                if (note.frame != f) continue;
                note.frame = -1;
                const auto s = static_cast<uint8_t>(note.note - kSlotBaseNote);
                if (s > kNumSlots - 1 || note.channel != 1) continue;
                slots[s].held = note.velocity > 0;
                if (note.velocity > 0)
                    trigger(s);
                else if (slots[s].playMode == PlayModeGate)
                    slots[s].playing = false;
            }
            for (ReferenceSlot& slot : slots) {
                if (!slot.playing) continue;
                float x = slot.samples[static_cast<size_t>(static_cast<int32_t>(slot.position))];
                slot.position += slot.increment;
                if (slot.position < 0.0 || static_cast<int32_t>(slot.position) >= slot.length - 1) {
                    if (slot.playMode > 1 && slot.held && slot.length >= 2)
                        slot.position = slot.reverse ? slot.length - 2 : 0.0;
                    else
                        slot.playing = false;
                }
                x = x * slot.volume;
                if (x > 1.0f)
                    x = 1.0f;
                else if (x < -1.0f)
                    x = -1.0f;
                right[f] += x;
                left[f] = right[f];
            }
        }
        queue.clear();
    }
};
