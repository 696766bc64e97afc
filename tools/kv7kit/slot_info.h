// What kv7kit info tells of one slot after an import: for the table, the JSON and the picture.
#pragma once

#include <cstdint>
#include <string>

struct SlotInfo {
    int32_t start, end, samples, pitch;
    double seconds;
    const char* playMode;
    bool reverse;
    float gain;
    std::string decibels;
    const float* audio;  // the slot's samples in the engine, `samples` of them
};

// The first slot that plays the region slot plays: slot itself, or an earlier one whose sound it
// plays again. An export gives a slot without a sound the region of the slot before it, and an
// import then copies that sound into it.
inline int32_t firstSlotWithRegion(const SlotInfo* slots, int32_t slot) {
    for (int32_t earlier = 0; earlier < slot; ++earlier)
        if (slots[earlier].start == slots[slot].start && slots[earlier].end == slots[slot].end) return earlier;
    return slot;
}
