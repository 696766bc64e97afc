#include "prepared_kit.h"

#include <cstdio>

namespace {

std::string fileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

double seconds(int64_t frames) { return static_cast<double>(frames) / kKitSampleRate; }

}  // namespace

bool resampleIfAsked(PreparedSound& sound, const PreparationOptions& options, const std::string& shownAs) {
    const double rate = sound.rate;
    if (!options.resample || !resampleToKitRate(sound)) return false;
    std::printf("resampled %s from %.0f Hz to 44100 Hz\n", shownAs.c_str(), rate);
    return true;
}

void shapeSound(PreparedSound& sound, const PreparationOptions& options) {
    if (options.trimDb) trimSilence(sound, *options.trimDb);
    if (options.normalizeDb) normalizePeak(sound, *options.normalizeDb);
    if (options.loudnessLufs) normalizeLoudness(sound, *options.loudnessLufs);
    if (options.fadeOutMs) fadeOut(sound, *options.fadeOutMs);
}

int32_t fillSlots(KitSession& session, std::vector<PreparedSound>& sounds, const PreparationOptions& options) {
    if (options.fit)
        for (const FitCut& cut : fitToBudget(sounds, MAX_BUFFERLENGTH, options.fadeOutMs.value_or(10.0)))
            std::printf("shortened %s from %.2f s to %.2f s to fit the kit's 12 seconds\n", fileName(cut.path).c_str(),
                        seconds(cut.before), seconds(cut.after));
    int32_t ignored = 0;
    for (const PreparedSound& sound : sounds)
        if (!session.place(sound.path, sound.samples)) ++ignored;
    return ignored;
}
