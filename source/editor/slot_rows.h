// Where the slot rows lie in the editor window: slot 0 at the top, slot 23 at the bottom, twelve
// rows an octave, the second octave 285 pixels below the first.
#pragma once

#include <cstdint>

#include "engine/kit_constants.h"

inline constexpr int32_t KeyY[12] = {0, 20, 41, 62, 82, 103, 123, 164, 185, 205, 226, 246};
inline constexpr float kSlotLabelLeft = 34.f;

// The top of slot n's row, in single precision as the layout always used (exactly 285 an octave).
constexpr float slotRowTop(int32_t n) {
    return static_cast<float>(n / 12) * 40.714287f * 7.0f + static_cast<float>(KeyY[n % 12] + 160);
}
