// --resample: libsoxr at its very high quality.
#include <soxr.h>

#include <cmath>

#include "engine/kit_constants.h"
#include "prepared_sound.h"
#include "tool_error.h"

bool resampleToKitRate(PreparedSound& sound) {
    if (sound.rate == kKitSampleRate || sound.samples.empty()) {
        sound.rate = kKitSampleRate;
        return false;
    }
    const size_t wanted = static_cast<size_t>(std::llround(static_cast<double>(sound.samples.size()) * kKitSampleRate / sound.rate));
    std::vector<float> converted(wanted + 16);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    size_t done = 0;
    const soxr_error_t error = soxr_oneshot(sound.rate, kKitSampleRate, 1, sound.samples.data(), sound.samples.size(), nullptr,
                                            converted.data(), converted.size(), &done, &io, &quality, nullptr);
    if (error) throw ToolError("cannot resample \"" + sound.path + "\": " + error);
    converted.resize(done);
    sound.samples.swap(converted);
    sound.rate = kKitSampleRate;
    return true;
}
