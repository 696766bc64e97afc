// kv7kit build: sounds dropped on the drop zone, then the export button.
#include <cstdio>

#include "commands.h"
#include "kit_session.h"
#include "kitfiles/kit_export.h"
#include "tool_error.h"

void runBuild(const BuildOptions& options) {
    KitSession session;
    const int32_t ignored = session.dropOnDropZone(options.inputs);
    if (ignored > 0)
        std::fprintf(stderr, "kv7kit: %d more sound%s left out: a kit has 24 slots\n", ignored, ignored == 1 ? "" : "s");

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
