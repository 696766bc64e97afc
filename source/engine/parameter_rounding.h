// Rounding of normalized parameter values: halves away from zero, in single precision, then
// truncated to an integer. Values far outside 0..1 saturate instead of overflowing, and NaN gives 0,
// so whatever float a host sends converts to a defined integer.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

inline float roundHalfAway(float value) { return std::round(value); }

inline int32_t roundToInt32(float value) {
    const float rounded = roundHalfAway(value);
    if (std::isnan(rounded)) return 0;
    if (rounded >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    if (rounded <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(rounded);
}

inline int32_t saturatingSubtract(int32_t a, int32_t b) {
    const int64_t difference = static_cast<int64_t>(a) - b;
    if (difference > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (difference < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(difference);
}
