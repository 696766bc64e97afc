#include "slot_settings.h"

#include <cmath>
#include <functional>
#include <set>

#include "engine/kv7drumedit.h"
#include "tool_error.h"

namespace {

struct Setting {
    int32_t slot;
    float parameter;  // the editor's normalized value
};

double number(const std::string& text, const std::string& option) {
    size_t used = 0;
    double value = 0.0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || !std::isfinite(value))
        throw UsageError(option + ": \"" + text + "\" is not a number");
    return value;
}

// N=VALUE pairs of one option, each VALUE turned into a parameter by convert.
std::vector<Setting> parse(const std::vector<std::string>& pairs, const std::string& option,
                           const std::function<float(const std::string&)>& convert) {
    std::vector<Setting> settings;
    std::set<int32_t> seen;
    for (const std::string& pair : pairs) {
        const size_t equals = pair.find('=');
        if (equals == std::string::npos) throw UsageError(option + ": \"" + pair + "\" is not SLOT=VALUE");
        const double slot = number(pair.substr(0, equals), option);
        if (slot != std::floor(slot) || slot < 1 || slot > kNumSlots)
            throw UsageError(option + ": slot " + pair.substr(0, equals) + " is not a slot number from 1 to 24");
        if (!seen.insert(static_cast<int32_t>(slot)).second)
            throw UsageError(option + ": slot " + pair.substr(0, equals) + " is given twice");
        settings.push_back({static_cast<int32_t>(slot) - 1, convert(pair.substr(equals + 1))});
    }
    return settings;
}

}  // namespace

std::vector<ParameterValue> parseSlotSettings(const SlotSettingOptions& options) {
    const auto pitch = parse(options.pitch, "--pitch", [](const std::string& text) {
        const double semitones = number(text, "--pitch");
        if (semitones != std::floor(semitones) || std::fabs(semitones) > 48)
            throw UsageError("--pitch: " + text + " is not a whole number of semitones from -48 to +48");
        return static_cast<float>((semitones + 48.0) / 96.0);
    });
    const auto mode = parse(options.mode, "--mode", [](const std::string& text) {
        if (text == "gate") return 0.0f;
        if (text == "oneshot") return 0.5f;
        if (text == "loop") return 1.0f;
        throw UsageError("--mode: \"" + text + "\" is not gate, oneshot or loop");
    });
    const auto dir = parse(options.dir, "--dir", [](const std::string& text) {
        if (text == "fwd") return 0.0f;
        if (text == "rev") return 1.0f;
        throw UsageError("--dir: \"" + text + "\" is not fwd or rev");
    });
    // The kit keeps a slot's gain up to four times (+12 dB), as the editor's volume at its top.
    const auto vol = parse(options.vol, "--vol", [](const std::string& text) {
        const double db = number(text, "--vol");
        if (db > 20.0 * std::log10(4.0)) throw UsageError("--vol: " + text + " dB is above the kit's +12 dB");
        return static_cast<float>(std::sqrt(std::pow(10.0, db / 20.0) / 4.0));
    });
    std::vector<ParameterValue> all;
    for (const auto& [settings, family] : {std::pair{pitch, kParamPitch}, std::pair{mode, kParamPlayMode},
                                           std::pair{dir, kParamReverse}, std::pair{vol, kParamVolume}})
        for (const Setting& s : settings) all.push_back({family + s.slot, s.parameter});
    return all;
}

void applySlotSettings(const std::vector<ParameterValue>& settings, Kv7DrumEdit& effect) {
    for (const ParameterValue& setting : settings) effect.setParameter(setting.index, setting.value);
}
