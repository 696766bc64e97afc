// kv7kit chop: one recording cut at its onsets (or into equal slices), each slice a slot in order.
// The slices are contiguous and together hold the whole recording.
#include <algorithm>
#include <cstdio>

#include "commands.h"
#include "kitfiles/kit_export.h"
#include "prepared_kit.h"
#include "tool_error.h"

namespace {

// Where the slices begin: 0, then the onsets (or equal steps), as many as the kit has slots.
std::vector<int64_t> sliceStarts(const PreparedSound& loop, const ChopOptions& options) {
    const auto length = static_cast<int64_t>(loop.samples.size());
    std::vector<int64_t> starts{0};
    if (options.slices > 0) {
        for (int32_t i = 1; i < options.slices; ++i) starts.push_back(length * i / options.slices);
    } else {
        for (int64_t onset : findOnsets(loop, options.threshold, options.minGapMs.value_or(50.0)))
            if (onset > starts.back() && onset < length) starts.push_back(onset);
    }
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    if (starts.size() > kNumSlots) starts.resize(kNumSlots);  // the last slice runs on to the end
    return starts;
}

}  // namespace

void runChop(const ChopOptions& options) {
    const std::vector<ParameterValue> settings = parseSlotSettings(options.settings);
    PreparedSound loop = decodeSound(options.loop);
    resampleIfAsked(loop, options.preparation, options.loop);
    if (!options.preparation.fit && static_cast<int64_t>(loop.samples.size()) > MAX_BUFFERLENGTH)
        throw ToolError("\"" + options.loop + "\" is longer than the kit's 12 seconds; --fit shortens its slices until they fit");

    const std::vector<int64_t> starts = sliceStarts(loop, options);
    std::vector<PreparedSound> slices;
    for (size_t i = 0; i < starts.size(); ++i) {
        const int64_t end = i + 1 < starts.size() ? starts[i + 1] : static_cast<int64_t>(loop.samples.size());
        PreparedSound slice{loop.path, std::vector<float>(loop.samples.begin() + starts[i], loop.samples.begin() + end), loop.rate};
        shapeSound(slice, options.preparation);
        slices.push_back(std::move(slice));
    }
    KitSession session;
    fillSlots(session, slices, options.preparation);
    applySlotSettings(settings, session.effect());
    if (!kitfiles::kitFitsForExport(session.effect()))
        throw ToolError(std::string(kitfiles::kTotalDurationTooLong) + " (" + std::to_string(kitfiles::kitTotalLength(session.effect())) +
                        " samples); --fit shortens the slices until they fit");
    const kitfiles::KitExportResult result =
        kitfiles::Save_All_Buffer_To_KV7_File(session.effect(), session.slotPaths(), options.output.c_str());
    if (result.outcome != kitfiles::KitExportResult::Outcome::Written)
        throw ToolError(result.message.empty() ? "nothing to put in the kit" : result.message);
    std::printf("wrote %s: %zu slices of %s\n", result.writtenPath.c_str(), slices.size(), options.loop.c_str());
}
