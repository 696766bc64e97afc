// Renders a MIDI file through the plug-in without a sound card or display: each message reaches
// the plug-in in the block that holds its sample position, at its frame within that block.
#pragma once

#include <string>

#include "hosted_plugin.h"
#include "midi_file.h"

struct RenderSettings {
    double sampleRate = 0.0;   // 0: the input file's rate, else 44100
    int blockSize = 512;
    double tailSeconds = 2.0;  // rendered after the MIDI file's last event
    std::string inputPath;     // sound fed to the plug-in's two inputs; empty for silence
    std::string outputPath;    // 32-bit float stereo WAV
};

struct RenderReport {
    long long frames = 0;
    double sampleRate = 0.0;
    size_t messages = 0;
};

// Starts the plug-in with the render's rate and block size, renders, and stops it again.
bool renderMidiFile(HostedPlugin& plugin, const MidiFileContents& song, const RenderSettings& settings,
                    RenderReport& report, std::string& error);
