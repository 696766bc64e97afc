// Plays the plug-in through an audio device with RtAudio (JACK, ALSA or PulseAudio). The device's
// callback drains the MIDI rings into the plug-in and asks it for audio; it never allocates,
// locks or blocks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fixed_event_list.h"
#include "hosted_plugin.h"
#include "midi_ring.h"

class RtAudio;

struct AudioChoice {
    std::string api;         // "jack", "alsa", "pulse", or empty for the first with an output device
    int device = -1;         // device number as listDevices shows it, or -1 for the API's default
    unsigned sampleRate = 0;  // 0: the device's preferred rate
    unsigned blockSize = 512;
};

class AudioOutput {
public:
    AudioOutput(HostedPlugin& plugin, MidiSources& sources);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Main thread. Opens the device, tells the plug-in the stream's rate and block size, resumes it
    // and starts the stream. False with the reason in error.
    bool start(const AudioChoice& choice, std::string& error);
    // Main thread. Stops the stream, then suspends the plug-in.
    void stop();
    // What is playing, for the user: API, device, rate, block size.
    const std::string& description() const { return describedAs; }

    // Prints every compiled API's output devices to standard output.
    static void listDevices();

private:
    static int callback(void* output, void* input, unsigned frames, double time, unsigned status, void* self);
    void render(float* output, unsigned frames) noexcept;

    HostedPlugin& plugin;
    MidiSources& sources;
    std::unique_ptr<RtAudio> audio;
    std::vector<float> silence;  // the plug-in's inputs
    FixedMidiEventList<512> events;
    std::string describedAs;
};
