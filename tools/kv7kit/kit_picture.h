// kv7kit info --png / --svg: a kit drawn as one picture, a row for each slot (its sound's
// waveform, region, duration and settings) and a bar for its audio against the 12 seconds a kit
// may hold.
#pragma once

#include <string>

#include "engine/kit_constants.h"
#include "slot_info.h"

struct KitPicture {
    std::string title;     // the kit file's name
    std::string subtitle;  // what kind of kit it is
    SlotInfo slots[kNumSlots];
    int64_t audio;  // samples of kit audio the file holds, as `build` counts them
};

// Writes the picture as PNG or SVG; ToolError when the file cannot be written.
void writeKitPng(const KitPicture& kit, const std::string& path);
void writeKitSvg(const KitPicture& kit, const std::string& path);
