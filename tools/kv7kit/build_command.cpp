// kv7kit build: sounds dropped on the drop zone, then the export button. With options that change
// the sounds, each is read whole and prepared on its way into its slot instead.
#include <cstdio>

#include "commands.h"
#include "kit_session.h"
#include "kitfiles/kit_export.h"
#include "prepared_kit.h"
#include "tool_error.h"

namespace {

// Reads, prepares and places the sounds; answers how many found no slot and names the resampled ones.
int32_t prepareInto(KitSession& session, const BuildOptions& options, std::string& resampled) {
    std::vector<std::string> files = KitSession::soundFiles(options.inputs);
    const auto extra = static_cast<int32_t>(files.size() > kNumSlots ? files.size() - kNumSlots : 0);
    files.resize(files.size() - static_cast<size_t>(extra));
    std::vector<PreparedSound> sounds;
    for (const std::string& file : files) {
        PreparedSound sound = decodeSound(file);
        const std::string name = file.substr(file.find_last_of('/') + 1);
        if (resampleIfAsked(sound, options.preparation, name)) resampled += (resampled.empty() ? "" : ", ") + name;
        shapeSound(sound, options.preparation);
        sounds.push_back(std::move(sound));
    }
    return extra + fillSlots(session, sounds, options.preparation);
}

}  // namespace

void runBuild(const BuildOptions& options) {
    const std::vector<ParameterValue> settings = parseSlotSettings(options.settings);
    KitSession session;
    std::string resampled;
    const int32_t ignored = options.preparation.changesSounds() ? prepareInto(session, options, resampled)
                                                                : session.dropOnDropZone(options.inputs);
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
            std::printf("wrote %s: %d samples of kit audio (%.2f s)%s%s\n", result.writtenPath.c_str(), result.frames,
                        static_cast<double>(static_cast<float>(total) / 44100.0f),
                        resampled.empty() ? "" : "; resampled to 44100 Hz: ", resampled.c_str());
            return;
        case kitfiles::KitExportResult::Outcome::NothingInUse:
            throw ToolError("no sound to put in the kit");
        case kitfiles::KitExportResult::Outcome::Refused:
        case kitfiles::KitExportResult::Outcome::Failed:
            throw ToolError(result.message);
    }
}
