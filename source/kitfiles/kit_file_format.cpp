#include "kitfiles/kit_file_format.h"

#include <cmath>

namespace kitfiles {

int32_t positionToKitValue(int64_t position) {
    const double scaled = std::floor(static_cast<double>(position) / static_cast<double>(MAX_BUFFERLENGTH) *
                                     static_cast<double>(kKitPositionScale));
    if (scaled < 0.0) return 0;
    if (scaled >= static_cast<double>(kKitPositionScale)) return kKitPositionScale;
    return static_cast<int32_t>(scaled);
}

int32_t kitValueToPosition(int32_t value) {
    if (value < 0) value = 0;
    if (value > kKitPositionScale) value = kKitPositionScale;
    return static_cast<int32_t>(static_cast<double>(value) / static_cast<double>(kKitPositionScale) *
                                static_cast<double>(MAX_BUFFERLENGTH));
}

int32_t oldKitValueToPosition(int32_t value) {
    if (value < 0) value = 0;
    const float position = static_cast<float>(value) * 3.0517578125e-5f * static_cast<float>(MAX_BUFFERLENGTH);
    if (position >= 2147483648.0f) return INT32_MAX;
    return static_cast<int32_t>(position);
}

int32_t pitchToKitValue(int32_t semitones) {
    const int64_t value = static_cast<int64_t>(semitones) * kKitPitchStep + (semitones < 0 ? kKitPitchStep / 2 : 0);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t kitValueToPitch(int32_t value) {
    // Negative values are offset by half a step first, so -256 still reads as -1.
    const int64_t steps = value > 0 ? value : static_cast<int64_t>(value) - kKitPitchStep / 2;
    return static_cast<int32_t>(steps / kKitPitchStep);
}

int32_t playModeToKitValue(int32_t playMode) {
    if (playMode <= PlayModeGate) return kPlayModeValueGate;
    if (playMode == PlayModeOneShot) return kPlayModeValueOneShot;
    return kPlayModeValueLoop;
}

float pitchParameterFromKitValue(int32_t value) {
    return static_cast<float>(static_cast<int64_t>(kitValueToPitch(value)) + 48) / 96.0f;
}

float playModeParameterFromKitValue(int32_t value) {
    if (value <= 8100) return 0.0f;
    if (value <= 15999) return 0.5f;
    return 1.0f;
}

float reverseParameterFromKitValue(int32_t value) { return value <= 12001 ? 0.0f : 1.0f; }

float volumeParameterFromKitValue(int32_t value) {
    if (value > kKitVolumeScale) value = kKitVolumeScale;
    return static_cast<float>(value) * (1.0f / static_cast<float>(kKitVolumeScale));
}

}  // namespace kitfiles
