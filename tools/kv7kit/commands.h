// The tool's commands. Each throws ToolError with a one-line message on failure.
#pragma once

#include <string>
#include <vector>

#include "prepared_sound.h"
#include "slot_settings.h"

struct BuildOptions {
    std::vector<std::string> inputs;
    std::string output;
    PreparationOptions preparation;
    SlotSettingOptions settings;
};
void runBuild(const BuildOptions& options);

struct ChopOptions {
    std::string loop;
    std::string output;
    int32_t slices = 0;  // 0: at the onsets
    double threshold = 0.3;
    std::optional<double> minGapMs;
    PreparationOptions preparation;
    SlotSettingOptions settings;
};
void runChop(const ChopOptions& options);

struct SplitOptions {
    std::string kit;
    std::string output;
};
void runSplit(const SplitOptions& options);

struct InfoOptions {
    std::string kit;
    bool json = false;
    std::string png, svg;  // pictures of the kit to write, when named
};
void runInfo(const InfoOptions& options);

struct RenderOptions {
    std::string kit;
    std::string midi;
    std::string output;
    bool pcm16 = false;
    bool quiet = false;
};
void runRender(const RenderOptions& options);
