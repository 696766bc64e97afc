// --trim: silence cut at both ends, the attack kept whole.
#include <algorithm>
#include <cmath>

#include "prepared_sound.h"
#include "tool_error.h"

void trimSilence(PreparedSound& sound, double db) {
    const float threshold = static_cast<float>(std::pow(10.0, db / 20.0));
    auto loud = [threshold](float x) { return std::fabs(x) >= threshold; };
    const auto first = std::find_if(sound.samples.begin(), sound.samples.end(), loud);
    if (first == sound.samples.end())
        throw ToolError("\"" + sound.path + "\" is silent below " + std::to_string(static_cast<int>(db)) + " dBFS: --trim would leave nothing");
    const auto last = std::find_if(sound.samples.rbegin(), sound.samples.rend(), loud).base();
    const auto before = static_cast<std::ptrdiff_t>(std::lround(sound.rate * 0.005));
    const auto after = static_cast<std::ptrdiff_t>(std::lround(sound.rate * 0.015));
    const auto begin = first - std::min(before, first - sound.samples.begin());
    const auto end = last + std::min(after, sound.samples.end() - last);
    sound.samples = std::vector<float>(begin, end);
}
