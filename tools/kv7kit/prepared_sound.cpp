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
    // In blocks, mixed on the way: a long recording is held once, as one channel.
    PreparedSound sound{path, {}, static_cast<double>(info.samplerate)};
    sound.samples.reserve(static_cast<size_t>(std::max<sf_count_t>(info.frames, 0)));
    std::vector<float> block(65536 * static_cast<size_t>(info.channels));
    for (;;) {
        const sf_count_t got = sf_readf_float(file.get(), block.data(), 65536);
        for (sf_count_t i = 0; i < got; ++i)
            sound.samples.push_back(info.channels == 1 ? clampSample(block[static_cast<size_t>(i)])
                                                       : (clampSample(block[2 * static_cast<size_t>(i)]) +
                                                          clampSample(block[2 * static_cast<size_t>(i) + 1])) * 0.5f);
        if (got < 65536) break;
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR)
        throw ToolError("cannot decode \"" + path + "\": " + sf_strerror(file.get()));
    return sound;
}
