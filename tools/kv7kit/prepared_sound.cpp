#include "prepared_sound.h"

#include <sndfile.h>

#include <algorithm>
#include <memory>

#include "tool_error.h"

namespace {

// As the plug-in's loader: samples beyond full scale count as full scale, stereo is the mean.
float clampSample(float x) { return x > 1.0f ? 1.0f : x < -1.0f ? -1.0f : x; }

}  // namespace

PreparedSound decodeSound(const std::string& path) {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_READ, &info), sf_close);
    if (!file) throw ToolError("cannot read \"" + path + "\": " + sf_strerror(nullptr));
    if (info.channels != 1 && info.channels != 2)
        throw ToolError("\"" + path + "\" has " + std::to_string(info.channels) + " channels; only mono and stereo sounds can be loaded");
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file.get(), interleaved.data(), info.frames);
    if (got < 0 || (got < info.frames && sf_error(file.get()) != SF_ERR_NO_ERROR))
        throw ToolError("cannot decode \"" + path + "\": " + sf_strerror(file.get()));
    PreparedSound sound{path, std::vector<float>(static_cast<size_t>(got)), static_cast<double>(info.samplerate)};
    for (size_t i = 0; i < sound.samples.size(); ++i)
        sound.samples[i] = info.channels == 1 ? clampSample(interleaved[i])
                                              : (clampSample(interleaved[2 * i]) + clampSample(interleaved[2 * i + 1])) * 0.5f;
    return sound;
}
