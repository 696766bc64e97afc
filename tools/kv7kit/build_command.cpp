// kv7kit build: sounds dropped on the drop zone, then the export button. With options that change
// the sounds, each is read whole and prepared on its way into its slot instead.
#include <cstdio>

#include "commands.h"
#include "kit_session.h"
#include "kitfiles/kit_export.h"
#include "tool_error.h"

namespace {

std::string fileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

double seconds(int64_t frames) { return static_cast<double>(frames) / kKitSampleRate; }

// Reads, prepares and places the sounds; answers how many found no slot.
int32_t prepareInto(KitSession& session, const BuildOptions& options) {
    const PreparationOptions& steps = options.preparation;
    std::vector<std::string> files = KitSession::soundFiles(options.inputs);
    const auto ignored = static_cast<int32_t>(files.size() > kNumSlots ? files.size() - kNumSlots : 0);
    if (files.size() > kNumSlots) files.resize(kNumSlots);
    std::vector<PreparedSound> sounds;
    for (const std::string& file : files) {
        PreparedSound sound = decodeSound(file);
        const double rate = sound.rate;
        if (steps.resample && resampleToKitRate(sound))
            std::printf("resampled %s from %.0f Hz to 44100 Hz\n", fileName(file).c_str(), rate);
        if (steps.trimDb) trimSilence(sound, *steps.trimDb);
        if (steps.normalizeDb) normalizePeak(sound, *steps.normalizeDb);
        if (steps.loudnessLufs) normalizeLoudness(sound, *steps.loudnessLufs);
        if (steps.fadeOutMs) fadeOut(sound, *steps.fadeOutMs);
        sounds.push_back(std::move(sound));
    }
    if (steps.fit)
        for (const FitCut& cut : fitToBudget(sounds, MAX_BUFFERLENGTH, steps.fadeOutMs.value_or(10.0)))
            std::printf("shortened %s from %.2f s to %.2f s to fit the kit's 12 seconds\n", fileName(cut.path).c_str(),
                        seconds(cut.before), seconds(cut.after));
    for (const PreparedSound& sound : sounds) session.place(sound.path, sound.samples);
    return ignored;
}

}  // namespace

void runBuild(const BuildOptions& options) {
    const std::vector<ParameterValue> settings = parseSlotSettings(options.settings);
    KitSession session;
    const int32_t ignored =
        options.preparation.changesSounds() ? prepareInto(session, options) : session.dropOnDropZone(options.inputs);
    if (ignored > 0)
        std::fprintf(stderr, "kv7kit: %d more sound%s left out: a kit has 24 slots\n", ignored, ignored == 1 ? "" : "s");
    applySlotSettings(settings, session.effect());

    const int64_t total = kitfiles::kitTotalLength(session.effect());
    if (!kitfiles::kitFitsForExport(session.effect()))
        throw ToolError(std::string(kitfiles::kTotalDurationTooLong) + " (" + std::to_string(total) + " samples, at most " +
                        std::to_string(MAX_BUFFERLENGTH) + ")");

    const kitfiles::KitExportResult result =
        kitfiles::Save_All_Buffer_To_KV7_File(session.effect(), session.slotPaths(), options.output.c_str());
    switch (result.outcome) {
        case kitfiles::KitExportResult::Outcome::Written:
            std::printf("wrote %s: %d samples of kit audio (%.2f s)\n", result.writtenPath.c_str(), result.frames,
                        static_cast<double>(static_cast<float>(total) / 44100.0f));
            return;
        case kitfiles::KitExportResult::Outcome::NothingInUse:
            throw ToolError("no sound to put in the kit");
        case kitfiles::KitExportResult::Outcome::Refused:
        case kitfiles::KitExportResult::Outcome::Failed:
            throw ToolError(result.message);
    }
}
