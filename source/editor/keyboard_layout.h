// Where the invisible key areas lie over the keyboard of the window picture: naturals 80 wide at
// x 277, sharps 40 wide at x 358, one area per slot.
#pragma once

#include <cstdint>

#include "engine/kit_constants.h"

inline constexpr int32_t REALKEYS_Y[kNumSlots] = {148, 148, 189, 210, 230, 250, 271, 311, 311, 352, 372, 392,
                                                  433, 433, 474, 494, 514, 534, 556, 598, 598, 637, 657, 678};
inline constexpr int32_t REALKEYS_X[kNumSlots] = {277, 358, 277, 358, 277, 358, 277, 277, 358, 277, 358, 277,
                                                  277, 358, 277, 358, 277, 358, 277, 277, 358, 277, 358, 277};
inline constexpr int32_t REALKEYS_W[kNumSlots] = {80, 40, 80, 40, 80, 40, 80, 80, 40, 80, 40, 80,
                                                  80, 40, 80, 40, 80, 40, 80, 80, 40, 80, 40, 80};

// The height of slot n's key area: 41 for a natural, 40 for the two G sharps, 60 for the other sharps.
constexpr int32_t keyAreaHeight(int32_t n) {
    if (REALKEYS_W[n] == 80) return 41;
    if (n == 3 || n == 15) return 40;
    return 60;
}
