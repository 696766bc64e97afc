#include "offline_render.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "fixed_event_list.h"

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SndfileCloser>;

}  // namespace

bool renderMidiFile(HostedPlugin& plugin, const MidiFileContents& song, const RenderSettings& settings,
                    RenderReport& report, std::string& error) {
    SoundFile input;
    SF_INFO inputInfo{};
    if (!settings.inputPath.empty()) {
        input.reset(sf_open(settings.inputPath.c_str(), SFM_READ, &inputInfo));
        if (!input) {
            error = "cannot read " + settings.inputPath + ": " + sf_strerror(nullptr);
            return false;
        }
        if (inputInfo.channels > 2) {
            error = settings.inputPath + " has " + std::to_string(inputInfo.channels) +
                    " channels; the plug-in's inputs take one or two";
            return false;
        }
        if (settings.sampleRate > 0.0 && settings.sampleRate != inputInfo.samplerate) {
            error = settings.inputPath + " is at " + std::to_string(inputInfo.samplerate) +
                    " Hz, not at the render's rate";
            return false;
        }
    }
    const double rate = settings.sampleRate > 0.0 ? settings.sampleRate : input ? inputInfo.samplerate : 44100.0;
    const int block = settings.blockSize;
    const auto songFrames = static_cast<long long>(std::ceil((song.lengthSeconds + settings.tailSeconds) * rate));
    const long long totalFrames = std::max<long long>(songFrames, input ? inputInfo.frames : 0);

    SF_INFO outputInfo{};
    outputInfo.samplerate = static_cast<int>(rate);
    outputInfo.channels = 2;
    outputInfo.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SoundFile output(sf_open(settings.outputPath.c_str(), SFM_WRITE, &outputInfo));
    if (!output) {
        error = "cannot write " + settings.outputPath + ": " + sf_strerror(nullptr);
        return false;
    }

    // Each message at the first frame at or after its time.
    std::vector<long long> position(song.messages.size());
    for (size_t i = 0; i < song.messages.size(); ++i)
        position[i] = static_cast<long long>(std::ceil(song.messages[i].seconds * rate - 1e-9));

    std::vector<float> inL(static_cast<size_t>(block)), inR(inL.size()), outL(inL.size()), outR(inL.size());
    std::vector<float> interleaved(2 * inL.size());
    auto events = std::make_unique<FixedMidiEventList<4096>>();
    size_t next = 0;
    plugin.start(rate, block);
    for (long long start = 0; start < totalFrames; start += block) {
        const int frames = static_cast<int>(std::min<long long>(block, totalFrames - start));
        std::fill(inL.begin(), inL.end(), 0.0f);
        std::fill(inR.begin(), inR.end(), 0.0f);
        if (input) {
            const sf_count_t got = sf_readf_float(input.get(), interleaved.data(), frames);
            for (sf_count_t f = 0; f < got; ++f) {
                const size_t i = static_cast<size_t>(f);
                inL[i] = interleaved[i * static_cast<size_t>(inputInfo.channels)];
                inR[i] = interleaved[i * static_cast<size_t>(inputInfo.channels) + (inputInfo.channels - 1)];
            }
        }
        events->clear();
        while (next < song.messages.size() && position[next] < start + frames) {
            const TimedMidiMessage& m = song.messages[next];
            events->add(static_cast<VstInt32>(position[next] - start), MidiMessage{{m.bytes[0], m.bytes[1], m.bytes[2]}, m.size});
            ++next;
        }
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        plugin.process(events->get(), inputs, outputs, frames);
        for (int f = 0; f < frames; ++f) {
            interleaved[2 * static_cast<size_t>(f)] = outL[static_cast<size_t>(f)];
            interleaved[2 * static_cast<size_t>(f) + 1] = outR[static_cast<size_t>(f)];
        }
        if (sf_writef_float(output.get(), interleaved.data(), frames) != frames) {
            error = "cannot write " + settings.outputPath + ": " + sf_strerror(output.get());
            plugin.stop();
            return false;
        }
    }
    plugin.stop();
    report = {totalFrames, rate, song.messages.size()};
    return true;
}
