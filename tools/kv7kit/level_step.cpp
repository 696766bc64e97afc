// --normalize (sample peak) and --loudness (EBU R128, libebur128): one gain per sound.
#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "prepared_sound.h"
#include "tool_error.h"

namespace {

float peakOf(const std::vector<float>& samples) {
    float peak = 0.0f;
    for (float x : samples) peak = std::max(peak, std::fabs(x));
    return peak;
}

void applyGain(std::vector<float>& samples, double gain) {
    for (float& x : samples) x = static_cast<float>(x * gain);
}

}  // namespace

void normalizePeak(PreparedSound& sound, double db) {
    const float peak = peakOf(sound.samples);
    if (peak > 0.0f) applyGain(sound.samples, std::pow(10.0, db / 20.0) / peak);
}

void normalizeLoudness(PreparedSound& sound, double lufs) {
    const float peak = peakOf(sound.samples);
    if (peak == 0.0f) return;
    std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> meter(
        ebur128_init(1, static_cast<unsigned long>(sound.rate), EBUR128_MODE_I),
        [](ebur128_state* state) { ebur128_destroy(&state); });
    if (!meter) throw ToolError("cannot measure the loudness of \"" + sound.path + "\"");
    // One measuring block at least: a short hit is measured as itself in 400 ms of silence.
    std::vector<float> measured = sound.samples;
    measured.resize(std::max(measured.size(), static_cast<size_t>(std::ceil(sound.rate * 0.4))), 0.0f);
    double loudness = -HUGE_VAL;
    if (ebur128_add_frames_float(meter.get(), measured.data(), measured.size()) != EBUR128_SUCCESS ||
        ebur128_loudness_global(meter.get(), &loudness) != EBUR128_SUCCESS)
        throw ToolError("cannot measure the loudness of \"" + sound.path + "\"");
    if (!std::isfinite(loudness)) return;  // below the gate: nothing to level
    // Limited so the loudest sample stays just below full scale.
    const double gain = std::min(std::pow(10.0, (lufs - loudness) / 20.0), 0.999 / peak);
    applyGain(sound.samples, gain);
}
