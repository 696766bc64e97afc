// Slot settings given on build's command line (--pitch 2=-5 --mode 3=loop --dir 4=rev --vol 5=-6),
// written into the kit as the editor writes them: through the engine's parameters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Kv7DrumEdit;

struct SlotSettingOptions {
    std::vector<std::string> pitch, mode, dir, vol;  // each N=VALUE, N a slot number 1 to 24
};

// A parameter index of the engine and the editor's normalized value for it.
struct ParameterValue {
    int32_t index;
    float value;
};

// UsageError naming the option for a slot outside 1 to 24, a slot given twice for one option, or a
// value the kit cannot store; checked before any sound is read.
std::vector<ParameterValue> parseSlotSettings(const SlotSettingOptions& options);
void applySlotSettings(const std::vector<ParameterValue>& settings, Kv7DrumEdit& effect);
