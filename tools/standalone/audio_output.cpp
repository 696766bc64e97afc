#include "audio_output.h"

#include <RtAudio.h>

#include <algorithm>
#include <cstdio>

namespace {

// The APIs tried when none is named, in RtAudio's own order of preference.
std::vector<RtAudio::Api> outputApis() {
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    apis.erase(std::remove(apis.begin(), apis.end(), RtAudio::RTAUDIO_DUMMY), apis.end());
    return apis;
}

std::string apiNames() {
    std::string names;
    for (RtAudio::Api api : outputApis()) names += (names.empty() ? "" : ", ") + RtAudio::getApiName(api);
    return names;
}

// The devices of an API that can play two channels, by number.
std::vector<unsigned> stereoOutputs(RtAudio& audio) {
    std::vector<unsigned> devices;
    const unsigned count = audio.getDeviceCount();
    for (unsigned d = 0; d < count; ++d) {
        const RtAudio::DeviceInfo info = audio.getDeviceInfo(d);
        if (info.probed && info.outputChannels >= 2) devices.push_back(d);
    }
    return devices;
}

}  // namespace

AudioOutput::AudioOutput(HostedPlugin& hosted, MidiSources& midi) : plugin(hosted), sources(midi) {}

AudioOutput::~AudioOutput() { stop(); }

bool AudioOutput::start(const AudioChoice& choice, std::string& error) {
    try {
        std::vector<RtAudio::Api> candidates;
        if (choice.api.empty()) {
            candidates = outputApis();
        } else {
            const RtAudio::Api api = RtAudio::getCompiledApiByName(choice.api);
            if (api == RtAudio::UNSPECIFIED || api == RtAudio::RTAUDIO_DUMMY) {
                error = "unknown audio API '" + choice.api + "' (this build has " + apiNames() + ")";
                return false;
            }
            candidates.push_back(api);
        }
        unsigned device = 0;
        for (RtAudio::Api api : candidates) {
            auto tried = std::make_unique<RtAudio>(api);
            tried->showWarnings(false);
            const std::vector<unsigned> devices = stereoOutputs(*tried);
            if (devices.empty()) continue;
            if (choice.device >= 0) {
                if (std::find(devices.begin(), devices.end(), static_cast<unsigned>(choice.device)) == devices.end()) {
                    error = "no stereo output device " + std::to_string(choice.device) + " in " +
                            RtAudio::getApiName(api) + " (see --list-devices)";
                    return false;
                }
                device = static_cast<unsigned>(choice.device);
            } else {
                const unsigned preferred = tried->getDefaultOutputDevice();
                device = std::find(devices.begin(), devices.end(), preferred) != devices.end() ? preferred : devices[0];
            }
            audio = std::move(tried);
            break;
        }
        if (!audio) {
            error = "no audio output device found (tried " + (choice.api.empty() ? apiNames() : choice.api) + ")";
            return false;
        }

        const RtAudio::DeviceInfo info = audio->getDeviceInfo(device);
        unsigned rate = choice.sampleRate;
        if (rate == 0) rate = info.preferredSampleRate ? info.preferredSampleRate : 48000;
        unsigned frames = choice.blockSize;
        RtAudio::StreamParameters output;
        output.deviceId = device;
        output.nChannels = 2;
        RtAudio::StreamOptions options;
        // Separate channel buffers: the plug-in writes straight into the device's buffer.
        options.flags = RTAUDIO_NONINTERLEAVED;
        options.streamName = "Tembro-laxis";
        audio->openStream(&output, nullptr, RTAUDIO_FLOAT32, rate, &frames, &AudioOutput::callback, this, &options);
        rate = audio->getStreamSampleRate();
        silence.assign(2 * static_cast<size_t>(frames), 0.0f);
        plugin.start(rate, static_cast<int>(frames));
        audio->startStream();
        describedAs = RtAudio::getApiDisplayName(audio->getCurrentApi()) + ", device " + std::to_string(device) +
                      " \"" + info.name + "\", " + std::to_string(rate) + " Hz, " + std::to_string(frames) +
                      " frames per block";
        return true;
    } catch (const RtAudioError& failure) {
        error = failure.getMessage();
        audio.reset();
        plugin.stop();
        return false;
    }
}

void AudioOutput::stop() {
    if (!audio) return;
    try {
        if (audio->isStreamRunning()) audio->stopStream();
        if (audio->isStreamOpen()) audio->closeStream();
    } catch (const RtAudioError& failure) {
        std::fprintf(stderr, "tembro-laxis: stopping audio: %s\n", failure.getMessage().c_str());
    }
    audio.reset();
    plugin.stop();
}

int AudioOutput::callback(void* output, void*, unsigned frames, double, unsigned, void* self) {
    static_cast<AudioOutput*>(self)->render(static_cast<float*>(output), frames);
    return 0;
}

void AudioOutput::render(float* output, unsigned frames) noexcept {
    events.clear();
    sources.drain([this](const MidiMessage& message) { events.add(0, message); });
    const auto block = static_cast<unsigned>(plugin.blockSize());
    float* inputs[2] = {silence.data(), silence.data() + block};
    // Devices may ask for more than the block they agreed to: play it in agreed pieces.
    for (unsigned done = 0; done < frames;) {
        const unsigned count = std::min(block, frames - done);
        float* outputs[2] = {output + done, output + frames + done};
        plugin.process(done == 0 ? events.get() : nullptr, inputs, outputs, static_cast<int>(count));
        done += count;
    }
}

void AudioOutput::listDevices() {
    for (RtAudio::Api api : outputApis()) {
        std::printf("audio API %s (%s):\n", RtAudio::getApiName(api).c_str(), RtAudio::getApiDisplayName(api).c_str());
        try {
            RtAudio audio(api);
            audio.showWarnings(false);
            const unsigned count = audio.getDeviceCount();
            if (count == 0) std::printf("  no devices\n");
            for (unsigned d = 0; d < count; ++d) {
                const RtAudio::DeviceInfo info = audio.getDeviceInfo(d);
                if (!info.probed) continue;
                std::printf("  %u: %s (%u outputs%s)\n", d, info.name.c_str(), info.outputChannels,
                            info.isDefaultOutput ? ", default" : "");
            }
        } catch (const RtAudioError& failure) {
            std::printf("  unavailable: %s\n", failure.getMessage().c_str());
        }
    }
}
