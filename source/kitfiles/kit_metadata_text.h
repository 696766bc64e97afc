// The kit metadata text of the "APPL" chunk: a JSON-like text with six lists of 24 values, built
// by kit export and read back, leniently, by kit import.
#pragma once

#include <cstdint>
#include <string>

#include "engine/kit_constants.h"

namespace kitfiles {

// The values written for each slot, already on the text's scales.
struct KitTextValues {
    int32_t pitch[kNumSlots];
    int32_t start[kNumSlots];
    int32_t end[kNumSlots];
    int32_t playMode[kNumSlots];
    int32_t reverse[kNumSlots];
    int32_t volume[kNumSlots];
};

// The whole text with its space padding (its length is even; the chunk's zero padding is the
// writer's business).
std::string buildKitMetadataText(const KitTextValues& values);

// Appends (length mod 4) spaces.
void padKitMetadataText(std::string& text);

struct KitTextReading {
    bool newVersion = false;  // the text holds "drum_version"
    int32_t startKeyIndex = -1;  // where "start" was found (negative when absent)
    KitTextValues values{};
};

// Reads the six lists as the instrument does: keys by their first occurrence, each value after the
// next digit, a missing key or a short list read from near the beginning of the text. Never reads
// past the text's terminating zero.
KitTextReading readKitMetadataText(const char* text);

}  // namespace kitfiles
