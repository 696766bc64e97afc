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
